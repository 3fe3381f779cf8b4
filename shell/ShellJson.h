#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/StatusFields.h"

namespace kova {

// The JSON lines the shell writes. Pure functions; any thread.

// `text` as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD, so every line
// is valid JSON whatever the controller sent.
std::string jsonString(std::string_view text);

// ns since the Unix epoch as UTC "2026-12-10T07:30:00.123Z".
std::string isoTime(std::int64_t ns);

// One command's request as it went (--do, --script with --json). `line` is 0 outside a script.
struct ReplyLine {
    std::int64_t timeNs = 0;
    std::string vehicle;
    std::string command;  // the command line as given
    std::string reply;    // the text the output field shows
    double ms = 0.0;      // round trip
    std::string outcome;  // "ok", "refused", "no response", "failed"
    int line = 0;
};
std::string replyJson(const ReplyLine& reply);

// One step of a script as it ended (--script with --json).
struct StepLine {
    std::int64_t timeNs = 0;
    std::string vehicle;
    int line = 0;
    std::string step;   // the step as written
    std::string reply;  // the last reply, for a command or an expect
    double seconds = 0.0;
    std::string outcome;  // "ok", "failed", "interrupted"
    std::string why;      // what failed; empty when it did not
};
std::string stepJson(const StepLine& step);

// One published status message (--watch): receive time, vehicle, index (a number when it reads as
// one), the raw values split at "/", and the fields the record stores from it.
std::string statusJson(std::int64_t timeNs, std::string_view vehicle, std::string_view indexText,
                       std::string_view valuesText, const MessageFields& fields);

}  // namespace kova
