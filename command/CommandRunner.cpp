#include "command/CommandRunner.h"

#include "command/CommandLanguage.h"

namespace kova {

void CommandRunner::run(const std::string& line, const Show& show, const Pause& pause) {
    const CommandPlan plan = planCommand(line);
    if (!plan.message.empty()) {
        show(plan.message, false);
        return;
    }
    for (const PlannedRequest& planned : plan.requests) {
        const ExchangeResult result = exchange_.exchange(planned.verb, planned.body);
        // At console exit the context is shut down: the exchange ends at once and nothing more is
        // shown or sent.
        if (result.status == ExchangeStatus::Stopped) {
            return;
        }
        show(result.text, true);
        if (planned.waitMs > 0 && !pause(planned.waitMs)) {
            return;
        }
    }
}

}  // namespace kova
