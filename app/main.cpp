#include "app/ConsoleMain.h"

int main() {
    return kova::consoleMain();
}
