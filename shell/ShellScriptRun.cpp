// --script: a commissioning run, step by step, stopping at the first step that fails.
#include <atomic>
#include <map>
#include <thread>

#include <fmt/format.h>

#include "base/OperationLog.h"
#include "base/Utf8.h"
#include "command/CommandLanguage.h"
#include "command/SentRecord.h"
#include "net/Context.h"
#include "net/Subscription.h"
#include "protocol/Endpoints.h"
#include "shell/Shell.h"
#include "shell/ShellJson.h"
#include "shell/ShellScript.h"

namespace kova {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string describeStep(const ScriptStep& step) {
    if (step.kind != StepKind::Command)
        return step.text;
    std::string sent;
    for (const PlannedRequest& request : planCommand(step.command).requests) {
        sent += (sent.empty() ? "" : ", ") + request.verb + " " + request.body;
    }
    return step.text + " -> " + sent;
}

// The script's run against one vehicle: its status fields as they arrive, its requests, its output.
class ScriptRun {
public:
    ScriptRun(const ShellOptions& options, const ShellTarget& target, ShellStop& stop, ShellOutput& out)
        : options_(options),
          target_(target),
          vehicle_(target.vehicles.front()),
          stop_(stop),
          out_(out),
          name_(options.scriptPath == "-" ? "standard input" : options.scriptPath),
          runner_(vehicle_.endpoint(protocol::kRequestPortOffset)),
          status_(messagingContext(), vehicle_.endpoint(protocol::kStatusPortOffset), "Network status",
                  kStatusLimits) {
        runner_.onSent([this](const CommandRunner::Sent& sent) {
            if (target_.recorder)
                recordSent(*target_.recorder, sent);
            reply_ = sent.result->text;
            if (failure_.empty() && outcomeStatus(*sent.result) != exit_status::kOk) {
                const bool refused = outcomeStatus(*sent.result) == exit_status::kRefused;
                failure_ = (refused ? "the controller refused " : "no reply to ") + sent.verb + " " +
                           sent.body + ": " + sent.result->text;
            }
        });
    }

    int run(const Script& script) {
        if (!status_.startError().empty())
            return shellRefuse(exit_status::kFailed, status_.startError());
        std::thread receiver([this] {
            status_.run(
                receiving_, [this](zmq::multipart_t& message) { take(message); },
                [](const std::string& text) { std::fprintf(stderr, "kovaConsoleOHV: %s\n", text.c_str()); });
        });
        int status = exit_status::kOk;
        for (const ScriptStep& step : script.steps) {
            const Clock::time_point start = Clock::now();
            std::string why = runStep(step);
            const bool interrupted = why.empty() && stop_.requested();
            if (interrupted)
                why = "interrupted";
            report(step,
                   why.empty()   ? "ok"
                   : interrupted ? "interrupted"
                                 : "failed",
                   why, secondsSince(start));
            if (!why.empty()) {
                shellRefuse(exit_status::kFailed, fmt::format("{} line {}: {}", name_, step.line, why));
                abort();
                status = exit_status::kFailed;
                break;
            }
        }
        receiving_ = false;
        shutdownMessaging();
        receiver.join();
        return status;
    }

private:
    // The fields each status message stores, kept by name; a wait reads them.
    void take(zmq::multipart_t& message) {
        const std::int64_t ns = record::RecordWriter::nowNs();
        if (target_.recorder) {
            record::Frames frames;
            for (const zmq::message_t& frame : message) frames.push_back(frame.to_string());
            target_.recorder->recordStatus(ns, std::move(frames));
        }
        if (message.size() < 2)
            return;
        const std::string index = message.popstr();
        const std::string values = message.popstr();
        MessageFields stored = fieldsOfMessage(index, values);
        {
            std::lock_guard<std::mutex> lock(stop_.mutex());
            for (auto& [name, value] : stored.fields) fields_[name] = std::move(value);
        }
        stop_.notify();
    }

    // Runs one step; what failed, empty when it went well (or a stop cut it short).
    std::string runStep(const ScriptStep& step) {
        switch (step.kind) {
            case StepKind::Command: {
                failure_.clear();
                oplog::info("script \"{}\" line {}", escapeText(name_, '"'), step.line);
                runner_.run(
                    step.command, [](const std::string&, CommandRunner::Output) {},
                    [this](long ms) { return failure_.empty() && stop_.sleep(ms); });
                return failure_;
            }
            case StepKind::Wait: {
                const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                         std::chrono::duration<double>(step.withinSeconds));
                std::string last;
                const bool met = stop_.waitUntil(deadline, [&] {
                    const auto found = fields_.find(step.field);
                    if (found == fields_.end())
                        return false;
                    last = fieldText(found->second);
                    return compareField(found->second, step.op, step.value);
                });
                if (met || stop_.requested())
                    return {};
                if (last.empty())
                    return fmt::format("{} was not published within {} s", step.field, step.withinSeconds);
                return fmt::format("{} is {} after {} s", step.field, last, step.withinSeconds);
            }
            case StepKind::Expect:
                if (reply_.find(step.expected) != std::string::npos)
                    return {};
                return "the last reply \"" + reply_ + "\" does not hold \"" + step.expected + "\"";
            case StepKind::Sleep:
                stop_.sleep(static_cast<long>(step.seconds * 1000.0));
                return {};
        }
        return {};
    }

    void report(const ScriptStep& step, const char* outcome, const std::string& why, double seconds) {
        if (options_.json) {
            out_.line(
                stepJson({record::RecordWriter::nowNs(), vehicle_.name, step.line, step.text,
                          step.kind == StepKind::Command ? reply_ : std::string(), seconds, outcome, why}));
            return;
        }
        std::string line = fmt::format("line {} {} {:.2f} s: {}", step.line, outcome, seconds, step.text);
        // A failed command's reply says why; a failed wait or expect says it after the step.
        if (step.kind == StepKind::Command) {
            line += " -> " + reply_;
        } else if (!why.empty() && why != "interrupted") {
            line += ": " + why;
        }
        out_.line(line);
    }

    // The abort command, sent once, even after a stop signal.
    void abort() {
        if (options_.onAbort.empty())
            return;
        failure_.clear();
        reply_.clear();
        oplog::info("script \"{}\" on-abort", escapeText(name_, '"'));
        const Clock::time_point start = Clock::now();
        runner_.run(
            options_.onAbort, [](const std::string&, CommandRunner::Output) {},
            [](long ms) {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                return true;
            });
        const std::string outcome = failure_.empty() ? "ok" : "failed";
        if (options_.json) {
            out_.line(replyJson({record::RecordWriter::nowNs(), vehicle_.name, options_.onAbort, reply_,
                                 secondsSince(start) * 1000.0, outcome, 0}));
        } else {
            out_.line("on-abort " + outcome + ": " + options_.onAbort + " -> " + reply_);
        }
    }

    const ShellOptions& options_;
    const ShellTarget& target_;
    const ControllerAddress& vehicle_;
    ShellStop& stop_;
    ShellOutput& out_;
    std::string name_;
    CommandRunner runner_;
    Subscription status_;
    std::atomic<bool> receiving_{true};
    std::map<std::string, FieldValue> fields_;  // under the stop's lock
    std::string reply_;                         // the last reply's text
    std::string failure_;                       // why the command in progress failed
};

}  // namespace

int runScript(const ShellOptions& options, const ShellTarget& target, ShellStop& stop, ShellOutput& out) {
    std::string error;
    const std::string text = readScript(options.scriptPath, error);
    if (!error.empty())
        return shellRefuse(exit_status::kBadInput, error);
    const Script script = parseScript(text);
    if (script.error) {
        const std::string name = options.scriptPath == "-" ? "standard input" : options.scriptPath;
        const std::string where =
            script.error->line > 0 ? fmt::format("{} line {}", name, script.error->line) : name;
        return shellRefuse(script.error->rejectedCommand ? exit_status::kRejected : exit_status::kBadInput,
                           where + ": " + script.error->message + " (nothing sent)");
    }
    if (const std::string why = options.onAbort.empty() ? "" : shellRejection(options.onAbort);
        !why.empty()) {
        return shellRefuse(exit_status::kRejected, "--on-abort " + why + " (nothing sent)");
    }
    if (options.dryRun) {
        for (const ScriptStep& step : script.steps) {
            out.line(fmt::format("line {}: {}", step.line, describeStep(step)));
        }
        return exit_status::kOk;
    }
    ScriptRun run(options, target, stop, out);
    return run.run(script);
}

}  // namespace kova
