// The real console, except that its start-up fails at the step named by the first argument
// ("command thread", "monitor thread", "log thread", "timer"): the way a thread or the timer that
// cannot be started ("system", the default second argument) or memory running out ("memory") makes
// it fail. Used by the terminal tests to prove such a failure still ends the run cleanly.
#include <new>
#include <string>

#include <Poco/Exception.h>

#include "app/ConsoleMain.h"

int main(int argc, char** argv) {
    const std::string failingStep = argc > 1 ? argv[1] : "";
    const std::string kind = argc > 2 ? argv[2] : "system";
    return kova::consoleMain({}, [failingStep, kind](const char* step) {
        if (failingStep != step) {
            return;
        }
        if (kind == "memory") {
            throw std::bad_alloc();
        }
        throw Poco::SystemException("cannot create thread");
    });
}
