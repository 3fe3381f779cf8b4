#pragma once

#include <string>

#include "command/RequestExchange.h"

namespace kova {

// What the controller said of a request, read from the status word in the reply's first frame.
// The simulator (and controllers built like it) answers "OK" or "ERR" there; any other first frame
// is a controller that says nothing of success, and its reply counts as given.
enum class ReplyVerdict {
    Accepted,  // a reply came whose first frame is "OK", or one that carries no status word
    Refused,   // a reply came whose first frame is "ERR"
    Unknown,   // no usable reply: no response, fewer than two frames, a failure or a shut-down
};

// Reads the verdict of one exchange. Pure; any thread.
inline ReplyVerdict replyVerdict(const ExchangeResult& result) {
    if (result.status != ExchangeStatus::Replied) return ReplyVerdict::Unknown;
    if (!result.frames.empty() && result.frames.front() == "ERR") return ReplyVerdict::Refused;
    return ReplyVerdict::Accepted;
}

}  // namespace kova
