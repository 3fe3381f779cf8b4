#include "shell/ShellOptions.h"

#include <cstdlib>

namespace kova {

namespace {

bool isIndexList(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789,") == std::string::npos &&
           text.front() != ',' && text.back() != ',' && text.find(",,") == std::string::npos;
}

std::vector<int> indexList(const std::string& text) {
    std::vector<int> indexes;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        indexes.push_back(std::atoi(text.substr(at, comma - at).c_str()));
        at = comma + 1;
    }
    return indexes;
}

}  // namespace

bool takeShellOption(const std::vector<std::string>& args, std::size_t& i, ShellOptions& o,
                     std::string& error) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--do" || arg == "--script" || arg == "--on-abort") {
        if (!hasValue || args[i + 1].empty()) {
            error =
                arg + (arg == "--script" ? " needs a file (or - for standard input)" : " needs a command");
            return true;
        }
        const std::string& value = args[++i];
        if (arg == "--do") {
            o.doCommands.push_back(value);
        } else if (arg == "--script") {
            o.scriptPath = value;
        } else {
            o.onAbort = value;
        }
    } else if (arg == "--watch") {
        o.watch = true;
        if (hasValue && isIndexList(args[i + 1])) {
            o.watchIndexes = indexList(args[++i]);
            for (int index : o.watchIndexes) {
                if (index <= 0 || args[i].size() > 200) {
                    error = "--watch takes object indexes above 0, not '" + args[i] + "'";
                }
            }
        }
    } else if (arg == "--every") {
        const std::string text = hasValue ? args[++i] : std::string();
        char* end = nullptr;
        o.everyMs = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || o.everyMs < 10 || o.everyMs > 3600000) {
            error = "--every needs milliseconds from 10 to 3600000, not '" + text + "'";
        }
    } else if (arg == "--watch-log") {
        o.watchLog = true;
    } else if (arg == "--json") {
        o.json = true;
    } else if (arg == "--dry-run") {
        o.dryRun = true;
    } else {
        return false;
    }
    return true;
}

std::string shellConflicts(const ShellOptions& o, bool fleet, bool replay, bool vehicleGiven, bool record) {
    const int modes = (!o.doCommands.empty() ? 1 : 0) + (o.watch ? 1 : 0) + (o.watchLog ? 1 : 0) +
                      (!o.scriptPath.empty() ? 1 : 0);
    if (modes > 1) {
        return "one of --do, --watch, --watch-log and --script at a time";
    }
    if (modes == 1 && replay) {
        return "--do, --watch, --watch-log and --script talk to a controller: not with --replay";
    }
    if (fleet && (!o.doCommands.empty() || !o.scriptPath.empty())) {
        return "--do and --script talk to one vehicle: name it instead of --fleet";
    }
    if (fleet && vehicleGiven) {
        return {};  // the console's own check says it
    }
    if (o.everyMs > 0 && !o.watch) {
        return "--every goes with --watch";
    }
    if (o.json && o.doCommands.empty() && o.scriptPath.empty()) {
        return "--json goes with --do or --script (--watch always writes JSON)";
    }
    if (!o.onAbort.empty() && o.scriptPath.empty()) {
        return "--on-abort goes with --script";
    }
    if (o.dryRun && o.doCommands.empty() && o.scriptPath.empty()) {
        return "--dry-run goes with --do or --script";
    }
    if (o.dryRun && record) {
        return "--dry-run connects nothing: there is nothing to --record";
    }
    return {};
}

const char* shellUsage() {
    return R"(
From the shell (no screen; [--config FILE] [NAME] choose the vehicle as above):
  --do COMMAND   send one command of the command line (repeatable, in order); each reply on one line;
                 all are checked first, and the first without a reply or refused ends the run
  --watch [INDEX,...]
                 the status stream as JSON lines (time, vehicle, index, values, fields); every index
                 when none is given; with --fleet every vehicle
  --every MS     with --watch: each changed object once every MS milliseconds
  --watch-log    the controller's log stream as plain lines
  --script FILE  run a commissioning script (- reads standard input): one step a line, a command,
                 wait FIELD OP VALUE [within SECONDS], expect TEXT, sleep SECONDS, # comments
  --on-abort COMMAND
                 with --script: sent once when the script fails or is interrupted
  --json         with --do or --script: one JSON object per line
  --dry-run      with --do or --script: check and show what would be sent, connect nothing
)";
}

}  // namespace kova
