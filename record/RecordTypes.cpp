#include "record/RecordTypes.h"

namespace kova::record {

const char* streamName(Stream stream) {
    switch (stream) {
        case Stream::Status:
            return "status";
        case Stream::Log:
            return "log";
        case Stream::Request:
            return "request";
    }
    return "status";
}

std::optional<Stream> streamFromName(std::string_view name) {
    for (const Stream stream : {Stream::Status, Stream::Log, Stream::Request}) {
        if (name == streamName(stream)) {
            return stream;
        }
    }
    return std::nullopt;
}

const char* outcomeName(RequestOutcome::Kind kind) {
    switch (kind) {
        case RequestOutcome::Kind::Replied:
            return "replied";
        case RequestOutcome::Kind::NoResponse:
            return "no response";
        case RequestOutcome::Kind::Error:
            return "error";
    }
    return "error";
}

std::optional<RequestOutcome::Kind> outcomeFromName(std::string_view name) {
    using Kind = RequestOutcome::Kind;
    for (const Kind kind : {Kind::Replied, Kind::NoResponse, Kind::Error}) {
        if (name == outcomeName(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

}  // namespace kova::record
