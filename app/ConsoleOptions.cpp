#include "app/ConsoleOptions.h"

namespace kova {

ConsoleOptions parseConsoleOptions(const std::vector<std::string>& args) {
    ConsoleOptions options;
    bool optionsEnded = false;
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
        } else if (!optionsEnded && arg == "--config") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                options.error = "--config needs a file";
            } else {
                options.configPath = args[++i];
                options.configGiven = true;
            }
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
    if (options.error.empty() && options.fleet && !options.vehicle.empty()) {
        options.error = "--fleet shows every vehicle: no vehicle name with it";
    }
    return options;
}

std::string consoleUsage() {
    return R"(Usage: kovaConsoleOHV [--config FILE] [NAME | --fleet]

The operator's console for the controller of one overhead hoist vehicle: its status, its log and a
command line for its objects and operating commands.

  NAME           talk to the connection of that name (default: the first in the file)
  --fleet        first a table of every connection in the file; Enter opens the one selected,
                 the command "fleet" goes back to the table
  --config FILE  read the connections from FILE instead of ./conf.json
  --help         show this text and end
  --version      show the version and end

Keys:
  Enter                  run the command line
  Up, Down               the lines entered earlier
  Left, Right, Home, End, Delete, Backspace, Ctrl-U
                         edit the line
  Tab                    complete the command word or keyword; twice: list the candidates
  Up, Down, j, k, Enter  in the fleet table: select a vehicle, open it
  PgUp, PgDn             scroll the log window back and forth; Esc: back to the newest lines
  help or ?              the commands and their forms, in the log window until the next key
  Ctrl-C                 end the console (Ctrl-\, SIGTERM and SIGHUP too)
)";
}

}  // namespace kova
