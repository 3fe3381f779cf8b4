// The run from the shell as a whole: its stop, its output, its operation log and recording, and the
// verdicts shared by --do and --script.
#include <poll.h>

#include <csignal>
#include <cstring>

#include "base/OperationLog.h"
#include "command/CommandLanguage.h"
#include "command/ReplyVerdict.h"
#include "net/Context.h"
#include "shell/Shell.h"

namespace kova {

void ShellStop::request() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
    if (endsMessaging_) {
        shutdownMessaging();
    }
}

bool ShellStop::requested() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
}

bool ShellStop::waitUntil(std::chrono::steady_clock::time_point deadline,
                          const std::function<bool()>& ready) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopped_ && !ready()) {
        if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
            return !stopped_ && ready();
        }
    }
    return !stopped_;
}

bool ShellStop::sleep(long ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_until(lock, deadline, [this] { return stopped_; });
    return !stopped_;
}

void ShellOutput::line(const std::string& text) {
    bool failed = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_)
            return;
        failed = std::fwrite(text.data(), 1, text.size(), out_) != text.size() ||
                 std::fputc('\n', out_) == EOF || std::fflush(out_) != 0;
        closed_ = failed;
    }
    if (failed) {
        stop_.request();
    }
}

bool ShellOutput::checkClosed() {
    pollfd output{fileno(out_), 0, 0};
    if (::poll(&output, 1, 0) == 1 && (output.revents & (POLLERR | POLLHUP)) != 0) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        stop_.request();
        return true;
    }
    return false;
}

int shellRefuse(int status, const std::string& why) {
    std::fprintf(stderr, "kovaConsoleOHV: %s\n", why.c_str());
    return status;
}

std::string shellRejection(const std::string& command) {
    const CommandPlan plan = planCommand(command);
    if (plan.action != ConsoleAction::None) {
        return "\"" + command + "\" belongs to the console's screen: not from the shell";
    }
    if (!plan.message.empty()) {
        return "\"" + command + "\": " + plan.message;
    }
    if (plan.requests.empty()) {
        return "an empty command sends nothing";
    }
    return {};
}

const char* outcomeWord(const ExchangeResult& result) {
    switch (replyVerdict(result)) {
        case ReplyVerdict::Accepted:
            return "ok";
        case ReplyVerdict::Refused:
            return "refused";
        case ReplyVerdict::Unknown:
            break;
    }
    return result.status == ExchangeStatus::NoResponse ? "no response" : "failed";
}

int outcomeStatus(const ExchangeResult& result) {
    switch (replyVerdict(result)) {
        case ReplyVerdict::Accepted:
            return exit_status::kOk;
        case ReplyVerdict::Refused:
            return exit_status::kRefused;
        case ReplyVerdict::Unknown:
            break;
    }
    return exit_status::kNoResponse;
}

namespace {

// Closes the recording; kIncomplete when messages were lost or its end could not be written.
int closeRecording(record::RecordWriter& recorder) {
    try {
        recorder.close();
    } catch (const record::RecordError& e) {
        return shellRefuse(exit_status::kIncomplete, std::string("the recording is incomplete: ") + e.what());
    }
    if (const std::uint64_t lost = recorder.droppedCount()) {
        return shellRefuse(exit_status::kIncomplete,
                           "the recording is incomplete: " + std::to_string(lost) + " messages lost");
    }
    return exit_status::kOk;
}

}  // namespace

int runShell(const ShellOptions& options, const ShellTarget& target, ShellStop& stop) {
    // A file-size limit would kill the run mid-write; ignored, the write fails with EFBIG and the
    // recording says what it lost (exit status 3).
    std::signal(SIGXFSZ, SIG_IGN);
    const bool connects = !options.dryRun;
    if (connects) {
        try {
            setupOperationLog();
            oplog::info("start kovaConsole from the shell");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Log initialization failed: %s\n", e.what());
        }
    }
    ShellOutput out(stop);
    int status = exit_status::kOk;
    if (!options.doCommands.empty()) {
        status = runDo(options, target, stop, out);
    } else if (options.watch) {
        status = runWatch(options, target, stop, out);
    } else if (options.watchLog) {
        status = runWatchLog(target, stop, out);
    } else {
        status = runScript(options, target, stop, out);
    }
    if (target.recorder) {
        const int recording = closeRecording(*target.recorder);
        if (status == exit_status::kOk)
            status = recording;
    }
    if (connects) {
        oplog::info("end kovaConsole from the shell (exit status {})", status);
        oplog::flush();
    }
    return status;
}

}  // namespace kova
