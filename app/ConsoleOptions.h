#pragma once

#include <string>
#include <vector>

#include "shell/ShellOptions.h"

namespace kova {

// The console's command line: kovaConsoleOHV [--config FILE] [NAME | --fleet] [--record FILE
// [--record-append]], or kovaConsoleOHV --replay FILE [NAME] [--session N] [--speed X]. Started without arguments it reads
// ./conf.json after the banner and talks to the first connection, as always.
struct ConsoleOptions {
    std::string configPath = "./conf.json";
    bool configGiven = false;   // --config FILE
    std::string vehicle;        // NAME: the connection of that name; empty for the first
    bool help = false;          // --help: the usage and the keys
    bool version = false;       // --version
    bool fleet = false;         // --fleet: every connection in a table
    std::string recordPath;     // --record FILE: every stream into this recording
    bool recordAppend = false;  // --record-append: a new session in an existing recording
    std::string replayPath;     // --replay FILE: a recording played back instead of a controller
    double speed = 1.0;         // --speed X: replay speed, within ReplayClock's limits
    std::string operatorName;   // --operator NAME: who acknowledges alarms; empty: $USER
    std::size_t session = 0;    // --session N: the N-th session of the recording (from 1); 0: not given
    ShellOptions shell;         // --do, --watch, --watch-log, --script and theirs: no screen
    std::string error;          // what is wrong with the arguments; empty when they are fine
};

// Reads the arguments (without the program name). Never throws; a fault is put in `error`, as one
// line for standard error. Pure; any thread.
ConsoleOptions parseConsoleOptions(const std::vector<std::string>& args);

// The text --help prints: the usage, the options and the keys.
std::string consoleUsage();

}  // namespace kova
