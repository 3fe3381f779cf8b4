#include "monitor/StatusTokens.h"

#include <cstring>

namespace kova {

namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view trimmed(const char* begin, const char* end) {
    while (begin != end && isAsciiSpace(*begin)) {
        ++begin;
    }
    while (end != begin && isAsciiSpace(end[-1])) {
        --end;
    }
    return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace

StatusTokens::StatusTokens(std::string_view values) {
    if (values.empty()) {
        return;
    }
    const char* p = values.data();
    const char* const end = p + values.size();
    while (true) {
        const void* found = std::memchr(p, '/', static_cast<std::size_t>(end - p));
        const char* const stop = found != nullptr ? static_cast<const char*>(found) : end;
        if (count_ < kMaxKept) {
            kept_[count_] = trimmed(p, stop);
        }
        ++count_;
        if (stop == end) {
            return;
        }
        p = stop + 1;
    }
}

}  // namespace kova
