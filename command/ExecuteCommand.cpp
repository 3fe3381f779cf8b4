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
    // The key input's wake ends the pause at once when the window is asked to stop.
    return keys_.pause(ms) && running;
}

}  // namespace kova
