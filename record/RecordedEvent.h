#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "record/RecordTypes.h"

namespace kova::record {

// A published status message as received.
struct StatusEvent {
    Frames frames;
};

// One line of the controller's log (one frame), with the number the console gave it.
struct LogEvent {
    std::int64_t lineNumber = 0;
    std::string text;
};

// A request the console sent and how it ended.
struct RequestEvent {
    std::string verb;
    std::string body;
    std::int64_t replyNs = 0;  // when the outcome was known
    RequestOutcome outcome;
    Frames replyFrames;  // empty without a reply
};

// A run of messages of one stream that the recorder had to drop.
struct GapEvent {
    Stream stream = Stream::Status;
    std::int64_t lastNs = 0;  // receive time of the last dropped message
    std::uint64_t count = 0;
};

// One event of a recording. `ns` is its time in ns since the Unix epoch: the receive time of a status
// message or log line, the send time of a request, the first dropped message's time for a gap.
struct RecordedEvent {
    std::int64_t ns = 0;
    std::int64_t session = 0;  // the id of its session (SessionRecord::id)
    std::string vehicle;       // the vehicle of a fleet recording it is of; empty when not named
    std::variant<StatusEvent, LogEvent, RequestEvent, GapEvent> detail;
};

// A recording session: one run of the console writing into the file.
struct SessionRecord {
    std::int64_t id = 0;
    SessionInfo info;
    std::int64_t startNs = 0;
    std::optional<std::int64_t> endNs;  // none when the console did not close the recording
};

// The times of the first and the last event of a recording, inclusive.
struct TimeSpan {
    std::int64_t firstNs = 0;
    std::int64_t lastNs = 0;
};

}  // namespace kova::record
