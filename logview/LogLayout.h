#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kova {

// Where one numbered log line goes in a body of `bodyRows` rows.
struct LogLinePlacement {
    std::string text;    // the number, one space, the line; cut when it needs more rows than the body
    int scrollRows = 0;  // how far the body scrolls up first
    int startRow = 0;    // body row where the text starts
};

// A line of L bytes takes N = L / 80 + 1 rows (fixed, whatever the width): the body scrolls up N rows
// and the line is written from row bodyRows - N. A line needing more rows than the body has is
// written from row 0 after scrolling the whole body, cut to what fits in `bodyRows` rows of `cols`
// columns, so it still shows and the next lines print normally.
LogLinePlacement placeLogLine(std::uint32_t number, const std::string& line, int bodyRows, int cols);

}  // namespace kova
