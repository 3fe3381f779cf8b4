#pragma once

#include <functional>

namespace kova {

// The whole life of the console process: signals, the application, its run and its end. Returns
// the exit status: 0 after a run ended from outside (a stop signal), 1 when the run failed.
//
// Whatever fails, the terminal is handed back first; then an error record and "end kovaConsole" go
// to the operation log (flushed), and one line "kovaConsoleOHV: <what failed>" to standard error.
// A terminal that cannot be driven at all gives the error record and the line, with no screen ever
// started. `startHook` is handed to ConsoleApp::setStartHook (the fault tests' seam). Main thread.
int consoleMain(std::function<void(const char* step)> startHook = {});

}  // namespace kova
