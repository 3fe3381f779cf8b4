#include "app/ConsoleMain.h"

int main(int argc, char** argv) {
    return kova::consoleMain({argv + 1, argv + argc});
}
