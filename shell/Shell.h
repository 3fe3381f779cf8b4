#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "command/CommandRunner.h"
#include "config/Configuration.h"
#include "record/RecordWriter.h"
#include "shell/ShellOptions.h"

namespace kova {

// The end of a run from the shell, asked for from outside (a stop signal) or by a closed output.
// Every wait of the run is cut short by it. With `endsMessaging`, the messaging context is shut down
// too, so blocked receives end at once (a watch); a script keeps it, to send its abort command.
class ShellStop {
public:
    explicit ShellStop(bool endsMessaging = false) : endsMessaging_(endsMessaging) {}
    void request();
    bool requested();
    // Waits until `ready()` holds (true), `deadline` passes or a stop is asked for (false). `ready` is
    // tested under the stop's lock, which the writers of what it reads take too.
    bool waitUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& ready);
    // Sleeps `ms`; false when a stop cut it short.
    bool sleep(long ms);
    // The lock a writer of what a waiter tests takes, and the wake-up after the change.
    std::mutex& mutex() { return mutex_; }
    void notify() { changed_.notify_all(); }

private:
    bool endsMessaging_;
    bool stopped_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
};

// Lines to standard output, one whole line at a time from any thread. A write that fails (the
// reader went away: EPIPE) asks the run to stop; later lines are dropped.
class ShellOutput {
public:
    ShellOutput(ShellStop& stop, std::FILE* out = stdout) : stop_(stop), out_(out) {}
    void line(const std::string& text);
    // Asks the run to stop when the reader of the output went away (a pipe whose reader closed), even
    // while nothing is being written. Returns whether it did.
    bool checkClosed();

private:
    ShellStop& stop_;
    std::FILE* out_;
    std::mutex mutex_;
    bool closed_ = false;
};

// Where a run from the shell goes and what it leaves behind.
struct ShellTarget {
    std::vector<ControllerAddress> vehicles;         // one, or the fleet for --watch --fleet
    std::shared_ptr<record::RecordWriter> recorder;  // --record, or nothing
};

// A run from the shell: sets up the operation log (a failure is said on standard error and the run
// goes on), runs what `options` ask for and returns the exit status (ShellOptions.h). Main thread;
// `stop` is asked from the signal watcher.
int runShell(const ShellOptions& options, const ShellTarget& target, ShellStop& stop);

// The parts (ShellDo.cpp, ShellWatch.cpp, ShellScriptRun.cpp).
int runDo(const ShellOptions& options, const ShellTarget& target, ShellStop& stop, ShellOutput& out);
int runWatch(const ShellOptions& options, const ShellTarget& target, ShellStop& stop, ShellOutput& out);
int runWatchLog(const ShellTarget& target, ShellStop& stop, ShellOutput& out);
int runScript(const ShellOptions& options, const ShellTarget& target, ShellStop& stop, ShellOutput& out);

// Says a refusal on standard error as "kovaConsoleOHV: <why>" and returns `status`.
int shellRefuse(int status, const std::string& why);

// What a command line cannot do from the shell: the language's usage text, the unrecognised-command
// text, or a console-only word; empty when it sends requests. Pure.
std::string shellRejection(const std::string& command);

// The exchange's outcome as a word of the JSON lines ("ok", "refused", "no response", "failed") and
// as an exit status.
const char* outcomeWord(const ExchangeResult& result);
int outcomeStatus(const ExchangeResult& result);

}  // namespace kova
