#include "app/ConsoleOptions.h"

#include <cstdlib>

namespace kova {

namespace {

// The value of option `name` at args[i + 1]; sets `error` when there is none.
bool takeValue(const std::vector<std::string>& args, std::size_t& i, const char* name, std::string& value,
               std::string& error) {
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = std::string(name) + " needs a file";
        return false;
    }
    value = args[++i];
    return true;
}

// What the options asked for cannot go together.
std::string conflicts(const ConsoleOptions& o, bool speedGiven) {
    if (o.fleet && !o.vehicle.empty()) {
        return "--fleet shows every vehicle: no vehicle name with it";
    }
    if (!o.replayPath.empty() && (!o.vehicle.empty() || o.fleet || o.configGiven || !o.recordPath.empty())) {
        return "--replay plays a recording back: no vehicle name, --fleet, --config or --record with it";
    }
    if (!o.recordPath.empty() && o.fleet) {
        return "--record records one vehicle: not with --fleet";
    }
    if (o.recordAppend && o.recordPath.empty()) {
        return "--record-append goes with --record FILE";
    }
    if (speedGiven && o.replayPath.empty()) {
        return "--speed goes with --replay FILE";
    }
    return {};
}

}  // namespace

ConsoleOptions parseConsoleOptions(const std::vector<std::string>& args) {
    ConsoleOptions options;
    bool optionsEnded = false;
    bool speedGiven = false;
    for (std::size_t i = 0; i < args.size() && options.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            options.help = true;
        } else if (!optionsEnded && arg == "--version") {
            options.version = true;
        } else if (!optionsEnded && arg == "--fleet") {
            options.fleet = true;
        } else if (!optionsEnded && arg == "--record") {
            takeValue(args, i, "--record", options.recordPath, options.error);
        } else if (!optionsEnded && arg == "--record-append") {
            options.recordAppend = true;
        } else if (!optionsEnded && arg == "--replay") {
            takeValue(args, i, "--replay", options.replayPath, options.error);
        } else if (!optionsEnded && arg == "--speed") {
            std::string text;
            speedGiven = true;
            if (i + 1 >= args.size()) {
                options.error = "--speed needs a number";
            } else {
                text = args[++i];
                char* end = nullptr;
                options.speed = std::strtod(text.c_str(), &end);
                if (text.empty() || *end != '\0' || !(options.speed > 0.0) || options.speed > 1e6) {
                    options.error = "--speed needs a number above 0, not '" + text + "'";
                }
            }
        } else if (!optionsEnded && arg == "--config") {
            options.configGiven = takeValue(args, i, "--config", options.configPath, options.error);
        } else if (!optionsEnded && arg.rfind("--config=", 0) == 0) {
            options.configPath = arg.substr(9);
            options.configGiven = true;
            if (options.configPath.empty()) {
                options.error = "--config needs a file";
            }
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            options.error = "unknown option '" + arg + "'";
        } else if (!options.vehicle.empty()) {
            options.error = "one vehicle name only, not '" + options.vehicle + "' and '" + arg + "'";
        } else if (arg.empty()) {
            options.error = "the vehicle name is empty";
        } else {
            options.vehicle = arg;
        }
    }
    if (options.error.empty()) {
        options.error = conflicts(options, speedGiven);
    }
    return options;
}

std::string consoleUsage() {
    return R"(Usage: kovaConsoleOHV [--config FILE] [NAME | --fleet] [--record FILE [--record-append]]
       kovaConsoleOHV --replay FILE [--speed X]

The operator's console for the controller of one overhead hoist vehicle: its status, its log and a
command line for its objects and operating commands.

  NAME           talk to the connection of that name (default: the first in the file)
  --fleet        first a table of every connection in the file; Enter opens the one selected,
                 the command "fleet" goes back to the table
  --config FILE  read the connections from FILE instead of ./conf.json
  --record FILE  record every status message, log line and request into FILE (SQLite); an existing
                 FILE is refused unless --record-append adds this run to it
  --replay FILE  play a recording back through the same windows, with no network
  --speed X      the replay's speed (default 1)
  --help         show this text and end
  --version      show the version and end

Keys:
  Enter                  run the command line
  Up, Down               the lines entered earlier
  Left, Right, Home, End, Delete, Backspace, Ctrl-U
                         edit the line
  Tab                    complete the command word or keyword; twice: list the candidates
  Up, Down, j, k, Enter  in the fleet table: select a vehicle, open it
  Space, +, -, Left, Right, q
                         in a replay: pause, faster, slower, 10 s back, 10 s on, end
  PgUp, PgDn             scroll the log window back and forth; Esc: back to the newest lines
  help or ?              the commands and their forms, in the log window until the next key
  Ctrl-C                 end the console (Ctrl-\, SIGTERM and SIGHUP too)

Exit status:
  0  ended as asked
  1  the run failed (a terminal curses does not know, a thread that cannot start: the recorder's
     thread too, and then no recording file is left behind)
  2  arguments or input that cannot be followed
  3  the recording lacks messages (lost to a full queue or a failed write, or its end not written):
     how many is said on standard error once the terminal is handed back
)";
}

}  // namespace kova
