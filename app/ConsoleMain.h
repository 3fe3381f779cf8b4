#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kova {

// The whole life of the console process: its arguments, signals, the application, its run and its
// end. Returns the exit status: 0 after a run ended from outside (a stop signal) and after --help or
// --version, 1 when the run failed, 2 for arguments that cannot be followed (an unknown option, a
// missing configuration file, a vehicle name the file does not have), said in one line on standard
// error before the screen is ever touched. A run from the shell (--do, --watch, --script: no screen)
// returns the statuses of shell/ShellOptions.h.
//
// Whatever fails, the terminal is handed back first; then an error record and "end kovaConsole" go
// to the operation log (flushed), and one line "kovaConsoleOHV: <what failed>" to standard error.
// A terminal that cannot be driven at all gives the error record and the line, with no screen ever
// started. `startHook` is handed to ConsoleApp::setStartHook (the fault tests' seam). Main thread.
int consoleMain(const std::vector<std::string>& args, std::function<void(const char* step)> startHook = {});

}  // namespace kova
