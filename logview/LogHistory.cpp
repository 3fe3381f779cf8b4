#include "logview/LogHistory.h"

#include <algorithm>

namespace kova {

void LogHistory::append(std::int64_t number, std::string_view text) {
    const std::size_t kept = std::min(text.size(), kMaxLineBytes);
    entries_.push_back(LogEntry{number, std::string(text.substr(0, kept)), nextSeq_++});
    bytes_ += kept;
    while (entries_.size() > kMaxLines || (bytes_ > kMaxBytes && entries_.size() > 1)) {
        bytes_ -= entries_.front().text.size();
        entries_.pop_front();
    }
}

}  // namespace kova
