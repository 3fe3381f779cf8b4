#include <poll.h>

#include <cerrno>
#include <chrono>
#include <utility>

#include "command/CommandLanguage.h"
#include "command/CommandWindow.h"

namespace kova {

void CommandWindow::executeCommand(std::string line) {
    const CommandPlan plan = planCommand(line);
    if (!plan.message.empty()) {
        showText(plan.message);
        return;
    }
    for (const PlannedRequest& planned : plan.requests) {
        const ExchangeResult result = exchange_.exchange(planned.verb, planned.body);
        // At console exit the context is shut down: the exchange ends at once and nothing more
        // is shown or sent.
        if (result.status == ExchangeStatus::Stopped || !running) {
            return;
        }
        showReply(result.text);
        if (planned.waitMs > 0 && !pauseUnlessStopped(planned.waitMs)) {
            return;
        }
    }
}

std::string CommandWindow::request(std::string verb, std::string body) {
    return exchange_.exchange(std::move(verb), std::move(body)).text;
}

bool CommandWindow::pauseUnlessStopped(long ms) {
    // The wake pipe becomes readable when the window is asked to stop (requestStop), so the pause
    // ends at once then. Without a pipe, poll() on the ignored fd is a plain sleep.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    pollfd wake{wakePipe_[0], POLLIN, 0};
    while (running) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return true;
        }
        const int ready = ::poll(&wake, 1, static_cast<int>(left));
        if (ready == 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return true;  // cannot wait on the pipe: give up the pause rather than spin
        }
        if (ready > 0) {
            break;  // woken to stop
        }
    }
    return running;
}

}  // namespace kova
