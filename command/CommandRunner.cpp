#include "command/CommandRunner.h"

#include <chrono>

#include <fmt/format.h>

#include "base/OperationLog.h"
#include "base/Utf8.h"
#include "command/CommandLanguage.h"
#include "command/ReplyVerdict.h"

namespace kova {

namespace {

// Follows a failed step's text when the command had more steps.
constexpr const char* kRestNotSent = " -- rest not sent";

std::int64_t systemNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void auditRequest(const PlannedRequest& planned, const ExchangeResult& result, double ms) {
    const std::string request =
        "request " + escapeText(planned.verb) + " " + escapeText(planned.body) + " -> ";
    switch (result.status) {
        case ExchangeStatus::Replied:
            oplog::info("{}{} ({:.1f} ms)", request, escapeText(result.reply), ms);
            break;
        case ExchangeStatus::NoResponse:
            oplog::info("{}no response ({:.0f} ms)", request, ms);
            break;
        case ExchangeStatus::MalformedReply:
        case ExchangeStatus::NoSocket:
        case ExchangeStatus::Failed:
            oplog::error("{}{} ({:.1f} ms)", request, escapeText(result.text), ms);
            break;
        case ExchangeStatus::Stopped:
            break;
    }
}

}  // namespace

void CommandRunner::run(const std::string& line, const Show& show, const Pause& pause) {
    if (!line.empty()) {
        oplog::info("command \"{}\"", escapeText(line, '"'));
    }
    const CommandPlan plan = planCommand(line);
    if (plan.action == ConsoleAction::Help) {
        show({}, Output::Help);
        return;
    }
    if (plan.action == ConsoleAction::Objects) {
        show({}, Output::Objects);
        return;
    }
    if (plan.action == ConsoleAction::Fleet) {
        show(plan.message, Output::Fleet);
        return;
    }
    if (plan.action == ConsoleAction::Find || plan.action == ConsoleAction::Filter) {
        show(plan.argument, plan.action == ConsoleAction::Find ? Output::Find : Output::Filter);
        return;
    }
    if (!plan.message.empty()) {
        show(plan.message, Output::Message);
        return;
    }
    if (!refusal_.empty() && !plan.requests.empty()) {
        show(refusal_, Output::Message);
        return;
    }
    const std::size_t steps = plan.requests.size();
    for (std::size_t step = 0; step < steps; ++step) {
        const PlannedRequest& planned = plan.requests[step];
        const auto sent = std::chrono::steady_clock::now();
        const std::int64_t sentNs = systemNs();
        const ExchangeResult result = exchange_.exchange(planned.verb, planned.body);
        auditRequest(
            planned, result,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count());
        if (onSent_ && result.status != ExchangeStatus::Stopped) {
            onSent_(Sent{planned.verb, planned.body, sentNs, systemNs(), &result});
        }
        // At console exit the context is shut down: the exchange ends at once and nothing more is
        // shown or sent.
        if (result.status == ExchangeStatus::Stopped) {
            return;
        }
        // A step the controller refused or left unanswered ends the command: the later steps
        // depend on it (a route start after a goal it did not take would drive to an older goal).
        if (step + 1 < steps && replyVerdict(result) != ReplyVerdict::Accepted) {
            for (std::size_t rest = step + 1; rest < steps; ++rest) {
                oplog::info("not sent: {} {} (step {} of {} failed)", escapeText(plan.requests[rest].verb),
                            escapeText(plan.requests[rest].body), step + 1, steps);
            }
            show(result.text + kRestNotSent, Output::Reply);
            return;
        }
        show(result.text, Output::Reply);
        if (planned.waitMs > 0 && !pause(planned.waitMs)) {
            return;
        }
    }
}

}  // namespace kova
