#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "logfind/LogPattern.h"

namespace kova {

// One numbered log line as the log body shows it.
struct LogBlock {
    // The screen rows of "<number> <line>", each at most `cols` columns of printable text: a line
    // break ("\n" or "\r\n") starts a new row, a tab advances to the next multiple of 8 columns, and
    // the rest is shown as TextCells shows it (UTF-8 characters by their display width, control bytes
    // in caret notation, invalid bytes as "\xNN"), so every byte of the line reaches the screen and
    // none can move the cursor or shift the layout.
    std::vector<std::string> rows;
    // How many body rows the line takes: N = (bytes of "<number> <line>") / 80 + 1, whatever the width
    // (so a line leaves blank rows below its text when N exceeds its rows), or more when its text needs
    // more rows. At most the body's height: a line that needs more is cut to the body from its first
    // row, and the next lines print normally below it.
    int height = 0;
    // Where the line's matched bytes (the spans handed to layoutLogLine) landed: bytes [begin, end)
    // of row `row`, to be shown in reverse video. In row order.
    struct Mark {
        int row = 0;
        std::size_t begin = 0;
        std::size_t end = 0;
    };
    std::vector<Mark> marks;
};

// Lays out line `number` for a body of `bodyRows` rows and `cols` columns, marking where the bytes
// of `spans` (byte ranges of `line`, left to right) are shown. Pure; any thread.
LogBlock layoutLogLine(std::int64_t number, std::string_view line, int bodyRows, int cols,
                       const std::vector<MatchSpan>& spans = {});

// A line kept for redrawing the body.
struct LogEntry {
    std::int64_t number = 0;
    std::string text;
    std::uint64_t seq = 0;  // its place in the scrollback: one more than the line before
};

// The body's rows, top to bottom, when `entries` (oldest first) have been printed into a body of
// `bodyRows` rows one after the other and the last `skipRows` rows of that history are scrolled out
// of view below. Each line's block stacks on top of the next; the oldest visible block may show only
// its lower rows. Rows with nothing are empty texts. Looks only at as many entries as it needs. Pure.
template <class Entries>
std::vector<std::string> renderLogBody(const Entries& entries, int bodyRows, int cols,
                                       std::size_t skipRows = 0);

// The same rows with the marks of each line's matches (`spansOf(text)` gives a line's spans), their
// rows counted from the body's top.
struct LogBody {
    std::vector<std::string> rows;
    std::vector<LogBlock::Mark> marks;
};
template <class Entries, class SpansOf>
LogBody renderMarkedLogBody(const Entries& entries, int bodyRows, int cols, std::size_t skipRows,
                            const SpansOf& spansOf);

}  // namespace kova

#include "logview/LogLayout.inl"
