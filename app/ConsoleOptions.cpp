#include "app/ConsoleOptions.h"

#include <cerrno>
#include <cstdlib>

#include "app/ReplayClock.h"

namespace kova {

namespace {

// The replay speeds ReplayClock accepts, as the refusal and --help say them.
constexpr const char* kSpeedRange = "1/64 (0.015625) to 1024";
static_assert(ReplayClock::kSlowest == 1.0 / 64 && ReplayClock::kFastest == 1024, "kSpeedRange says so");

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
std::string conflicts(const ConsoleOptions& o, bool speedGiven, bool sessionGiven) {
    if (o.fleet && !o.vehicle.empty()) {
        return "--fleet shows every vehicle: no vehicle name with it";
    }
    if (!o.replayPath.empty() && (o.fleet || o.configGiven || !o.recordPath.empty())) {
        return "--replay plays a recording back: no --fleet, --config or --record with it";
    }
    if (!o.recordPath.empty() && o.fleet && o.shell.active()) {
        return "--record with --fleet records the fleet table's run: not with --watch";
    }
    if (o.recordAppend && o.recordPath.empty()) {
        return "--record-append goes with --record FILE";
    }
    if (speedGiven && o.replayPath.empty()) {
        return "--speed goes with --replay FILE";
    }
    if (sessionGiven && o.replayPath.empty()) {
        return "--session goes with --replay FILE";
    }
    return {};
}

}  // namespace

ConsoleOptions parseConsoleOptions(const std::vector<std::string>& args) {
    ConsoleOptions options;
    bool optionsEnded = false;
    bool speedGiven = false;
    bool sessionGiven = false;
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
        } else if (!optionsEnded && arg == "--operator") {
            takeValue(args, i, "--operator", options.operatorName, options.error);
        } else if (!optionsEnded && arg == "--replay") {
            takeValue(args, i, "--replay", options.replayPath, options.error);
        } else if (!optionsEnded && arg == "--speed") {
            speedGiven = true;
            const std::string text = i + 1 < args.size() ? args[++i] : "";
            char* end = nullptr;
            options.speed = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !(options.speed >= ReplayClock::kSlowest) ||
                !(options.speed <= ReplayClock::kFastest)) {
                options.error = std::string("--speed needs a number from ") + kSpeedRange + ", not '" + text + "'";
            }
        } else if (!optionsEnded && arg == "--session") {
            sessionGiven = true;
            const std::string text = i + 1 < args.size() ? args[++i] : "";
            char* end = nullptr;
            errno = 0;
            const unsigned long long number = std::strtoull(text.c_str(), &end, 10);
            if (text.empty() || text[0] < '1' || text[0] > '9' || *end != '\0' || errno == ERANGE ||
                number > 1'000'000'000) {
                options.error = "--session needs a session number from 1, not '" + text + "'";
            } else {
                options.session = static_cast<std::size_t>(number);
            }
        } else if (!optionsEnded && arg == "--config") {
            options.configGiven = takeValue(args, i, "--config", options.configPath, options.error);
        } else if (!optionsEnded && arg.rfind("--config=", 0) == 0) {
            options.configPath = arg.substr(9);
            options.configGiven = true;
            if (options.configPath.empty()) {
                options.error = "--config needs a file";
            }
        } else if (!optionsEnded && takeShellOption(args, i, options.shell, options.error)) {
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
        options.error = shellConflicts(options.shell, options.fleet, !options.replayPath.empty(),
                                       !options.vehicle.empty(), !options.recordPath.empty());
    }
    if (options.error.empty()) {
        options.error = conflicts(options, speedGiven, sessionGiven);
    }
    return options;
}

std::string consoleUsage() {
    const std::string usage =
        R"(Usage: kovaConsoleOHV [--config FILE] [NAME | --fleet] [--record FILE [--record-append]]
       kovaConsoleOHV --replay FILE [NAME] [--session N] [--speed X]
       kovaConsoleOHV [--config FILE] [NAME] (--do COMMAND... | --script FILE [--on-abort COMMAND]) [--json] [--dry-run]
       kovaConsoleOHV [--config FILE] [NAME | --fleet] (--watch [INDEX,...] [--every MS] | --watch-log)

The operator's console for the controller of one overhead hoist vehicle: its status, its log and a
command line for its objects and operating commands.

  NAME           talk to the connection of that name (default: the first in the file)
  --fleet        first a table of every connection in the file; Enter opens the one selected,
                 the command "fleet" goes back to the table
  --config FILE  read the connections from FILE instead of ./conf.json; a FILE that cannot be
                 loaded (missing, not JSON, a name twice) is refused with status 2
  --record FILE  record every status message, log line and request into FILE (SQLite); an existing
                 FILE is refused unless --record-append adds this run to it; with --fleet every
                 vehicle's status stream, and the open vehicle's log lines and requests
  --replay FILE  play a recording back through the same windows, with no network; a file of
                 several sessions plays one: the last, unless --session says which (the
                 sessions are listed before the replay starts); a fleet recording opens the
                 fleet table, and with NAME plays that vehicle alone
  --session N    the replay plays the N-th session of the file (1 is the oldest)
  --speed X      the replay's speed, from 1/64 (0.015625) to 1024 (default 1); + and - keep
                 within the same range
  --operator NAME
                 the name an alarm acknowledgement is recorded under (default: $USER)
  --help         show this text and end
  --version      show the version and end

Keys:
  Enter                  run the command line
  Up, Down               the lines entered earlier
  Left, Right, Home, End, Delete, Backspace, Ctrl-U
                         edit the line
  Tab                    complete the command word or keyword; twice: list the candidates
  Up, Down, j, k, Enter  in the fleet table: select a vehicle, open it
  /, s, a                in the fleet table: filter by name (Enter keeps it, Esc clears it), the
                         next order (configuration, alarms first, silent first, name), alarm journal
  Space, +, -, Left, Right, q
                         in a replay, nothing typed: pause, faster, slower, 10 s back, 10 s on, end
  PgUp, PgDn             scroll the log window back and forth; Esc: back to the newest lines
  find TEXT or /TEXT     search the log (re:TEXT: a regular expression); F3, Shift-F3: the next
                         older, newer match; filter TEXT: only the lines with TEXT (filter: all)
  help or ?              the commands and their forms, in the log window until the next key
  Ctrl-C                 end the console (Ctrl-\, SIGTERM and SIGHUP too)
)";
    return usage + shellUsage() + R"(
Exit status:
  0  ended as asked; from the shell: every command got its reply, every step passed, a watch ended
  1  the run failed (a terminal curses does not know, a thread that cannot start: the recorder's
     thread too, and then no recording file is left behind); a script step failed or was interrupted
  2  arguments or input that cannot be followed
  3  the recording lacks messages (lost to a full queue or a failed write, or its end not written):
     how many is said on standard error once the terminal is handed back
  4  a command the command language rejects (--do, --script, --on-abort)
  5  no response from the controller (--do)
  6  the controller refused a command (reply "ERR", --do)
)";
}

}  // namespace kova
