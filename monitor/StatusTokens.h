#pragma once

#include <cstddef>
#include <string_view>

namespace kova {

// The values text of a status message split at "/" as Poco::StringTokenizer with TOK_TRIM splits
// it: every token trimmed of ASCII white space (blank, \t \n \v \f \r), empty tokens kept, so a
// non-empty text of k separators gives k + 1 tokens ("1//3" has three, "1/" two). Only the first
// kMaxKept tokens are kept, as views into the text (no index takes more values); the rest are only
// counted. The text must outlive the tokens.
class StatusTokens {
public:
    static constexpr std::size_t kMaxKept = 7;

    explicit StatusTokens(std::string_view values);

    // Number of tokens of the whole text (0 for an empty text).
    std::size_t count() const { return count_; }
    // Token `i`, for i below both count() and kMaxKept.
    std::string_view operator[](std::size_t i) const { return kept_[i]; }

private:
    std::string_view kept_[kMaxKept];
    std::size_t count_ = 0;
};

}  // namespace kova
