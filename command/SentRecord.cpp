#include "command/SentRecord.h"

namespace kova {

namespace {

record::RequestOutcome outcomeOf(const ExchangeResult& result) {
    switch (result.status) {
        case ExchangeStatus::Replied:
            return record::RequestOutcome::replied();
        case ExchangeStatus::NoResponse:
            return record::RequestOutcome::noResponse();
        default:
            return record::RequestOutcome::error(result.text);
    }
}

}  // namespace

void recordSent(record::RecordWriter& recorder, const CommandRunner::Sent& sent, std::int32_t vehicle) {
    recorder.recordRequest(sent.sentNs, sent.verb, sent.body, sent.endedNs, outcomeOf(*sent.result),
                           sent.result->frames, vehicle);
}

}  // namespace kova
