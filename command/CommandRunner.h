#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "command/RequestExchange.h"

namespace kova {

// Carries out command lines: the command language's plan turned into request exchanges, the texts
// to show and the pauses between them. It draws nothing and holds no lock while it reports: each
// text goes to `show` after the exchange that produced it has ended, in order.
//
// Every line entered and every request sent is written to the operation log, as data (control
// bytes escaped): 'command "goal/15"', then 'request set 3033/0/15 -> OK (0.4 ms)', '-> no response
// (1200 ms)', or the failure's text at error level, and 'not sent: ...' for each step held back.
class CommandRunner {
public:
    // What `show` is handed: a usage or unrecognised-command text, a request's display text (a
    // reply, "no response", a failure: shown with ten trailing blanks), the help's turn (no text: the
    // window shows the command table), the objects command's (no text: the window lists the objects),
    // the fleet command's (its text is what a console without a fleet shows instead), or the log's
    // search or filter (its text is what to look for).
    enum class Output { Message, Reply, Help, Fleet, Objects, Find, Filter };
    using Show = std::function<void(const std::string& text, Output kind)>;
    // Waits `ms` milliseconds; false when the console is stopping, which ends the command.
    using Pause = std::function<bool(long ms)>;

    // One request as it went: what was sent, when (system clock, ns since the Unix epoch), and how it
    // ended.
    struct Sent {
        std::string verb;
        std::string body;
        std::int64_t sentNs = 0;
        std::int64_t endedNs = 0;
        const ExchangeResult* result = nullptr;
    };

    explicit CommandRunner(std::string requestEndpoint = {}) : exchange_(std::move(requestEndpoint)) {}

    // Called after every request with how it went (a recorder). Set before the command thread starts.
    void onSent(std::function<void(const Sent&)> tap) { onSent_ = std::move(tap); }

    // Runs one line: shows its usage text, or sends its requests in order, showing each one's text
    // and pausing where the plan says. A step that gets no usable reply or an "ERR" ends a command of
    // several steps there: its text is shown followed by " -- rest not sent", and each step left out
    // is written to the operation log ('not sent: set 3031/0/2 (step 1 of 2 failed)'). A stop (the
    // context shut down, or `pause` refusing) ends it at once, and nothing more is sent or shown. An empty
    // line does nothing. Command thread.
    void run(const std::string& line, const Show& show, const Pause& pause);

    RequestExchange& exchange() { return exchange_; }

    // From now on a line that would send requests sends none and shows `why` instead (a replay has
    // no controller). Before the command thread starts.
    void refuseRequests(std::string why) { refusal_ = std::move(why); }

private:
    std::string refusal_;
    RequestExchange exchange_;
    std::function<void(const Sent&)> onSent_;
};

}  // namespace kova
