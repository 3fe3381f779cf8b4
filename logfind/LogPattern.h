#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace re2 {
class RE2;
}

namespace kova {

// Bytes [begin, end) of a line that a pattern matched.
struct MatchSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct ParsedPattern;

// What the operator asked the log to look for: plain text, or after "re:" an RE2 regular expression.
// Plain text matches case-insensitively unless it holds a capital letter (as less does); a regular
// expression matches as written ("(?i)" makes it ignore case). Both run on RE2, whose matching time
// is linear in the line's length, so no pattern can stall the log window on a flood of lines.
// Immutable once made; copies share the compiled expression, and any thread may match with it.
class LogPattern {
public:
    static constexpr std::string_view kRegexPrefix = "re:";
    // At most this many spans of one line are handed out for highlighting.
    static constexpr std::size_t kMaxSpans = 256;

    // The pattern for `typed`, or why it is refused: nothing to look for, a control byte or invalid
    // UTF-8 in the text (neither can be typed as it shows on screen), or RE2's own message for an
    // expression it cannot compile.
    static ParsedPattern parse(std::string_view typed);

    // Whether the line holds a match. Any thread.
    bool matches(std::string_view line) const;
    // The matches in the line, left to right, none overlapping; an empty match is skipped.
    std::vector<MatchSpan> spans(std::string_view line) const;

    // What the operator typed, for the title.
    const std::string& typed() const { return typed_; }

private:
    LogPattern() = default;

    std::string typed_;
    std::shared_ptr<const re2::RE2> re_;
};

// A pattern, or the refusal text that says why there is none.
struct ParsedPattern {
    std::optional<LogPattern> pattern;
    std::string refusal;
};

}  // namespace kova
