#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>

#include "logview/LogLayout.h"

namespace kova {

// The log lines printed so far, newest last, kept so the body can be drawn again (after a resize, or
// when the operator scrolls back). Bounded: the oldest lines go beyond kMaxLines or kMaxBytes of text,
// and of one line only its first kMaxLineBytes are kept, which is more than any body can show. Not
// thread-safe: the log window guards it with the ScreenLock.
class LogHistory {
public:
    static constexpr std::size_t kMaxLines = 10000;
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;
    static constexpr std::size_t kMaxBytes = 16 * 1024 * 1024;

    void append(std::int64_t number, std::string_view text);

    const std::deque<LogEntry>& entries() const { return entries_; }
    // The place the next line takes (LogEntry::seq); lines before `oldestSeq()` have left.
    std::uint64_t nextSeq() const { return nextSeq_; }
    std::uint64_t oldestSeq() const { return entries_.empty() ? nextSeq_ : entries_.front().seq; }
    std::size_t bytes() const { return bytes_; }

private:
    std::deque<LogEntry> entries_;
    std::size_t bytes_ = 0;
    std::uint64_t nextSeq_ = 0;
};

}  // namespace kova
