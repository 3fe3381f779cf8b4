#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kova {

// The exit statuses of a run from the shell (and of the console as a whole).
namespace exit_status {
constexpr int kOk = 0;
constexpr int kFailed = 1;      // the run failed, or a script step failed
constexpr int kBadInput = 2;    // arguments or input that cannot be followed
constexpr int kIncomplete = 3;  // the recording lost messages
constexpr int kRejected = 4;    // a command the command language rejects (--do, --script)
constexpr int kNoResponse = 5;  // no reply from the controller (--do)
constexpr int kRefused = 6;     // the controller answered "ERR" (--do)
}  // namespace exit_status

// What the shell options ask for: commands, the status or log stream, or a script, without the
// screen.
struct ShellOptions {
    std::vector<std::string> doCommands;  // --do COMMAND, in order
    bool watch = false;                   // --watch [INDEX,...]
    std::vector<int> watchIndexes;        // empty: every index
    long everyMs = 0;                     // --every MS: per changed object every MS; 0: per message
    bool watchLog = false;                // --watch-log
    bool json = false;                    // --json
    std::string scriptPath;               // --script FILE, "-" for standard input
    std::string onAbort;                  // --on-abort COMMAND
    bool dryRun = false;                  // --dry-run

    // True when the run is one from the shell rather than the screen.
    bool active() const { return !doCommands.empty() || watch || watchLog || !scriptPath.empty(); }
};

// Takes args[i] (and its value, moving i on) when it is a shell option; false when it is not one.
// A faulty value is put in `error`. Pure.
bool takeShellOption(const std::vector<std::string>& args, std::size_t& i, ShellOptions& options,
                     std::string& error);

// What cannot go together, empty when all is well. Pure.
std::string shellConflicts(const ShellOptions& options, bool fleet, bool replay, bool vehicleGiven,
                           bool record);

// The options' lines of --help.
const char* shellUsage();

}  // namespace kova
