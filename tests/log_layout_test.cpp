// Where a numbered log line goes in the log body: rows needed by the fixed 80-byte rule, the start
// row, and lines longer than the whole body.
#include <string>

#include <gtest/gtest.h>

#include "logview/LogLayout.h"

namespace kova {
namespace {

TEST(LogLayout, RowsFollowTheEightyByteRuleWhateverTheWidth) {
    const struct {
        const char* name;
        std::uint32_t number;
        std::size_t lineBytes;  // bytes of the line itself, before "<number> "
        int bodyRows;
        int cols;
        int scrollRows;
        int startRow;
    } cases[] = {
        {"short line", 0, 3, 7, 80, 1, 6},
        {"79 bytes with its number", 0, 77, 7, 80, 1, 6},
        {"80 bytes with its number", 0, 78, 7, 80, 2, 5},
        {"80 bytes on a wide screen", 0, 78, 7, 160, 2, 5},
        {"159 bytes", 0, 157, 7, 160, 2, 5},
        {"160 bytes", 0, 158, 7, 160, 3, 4},
        {"number widens the line", 1000000, 72, 7, 80, 2, 5},
        {"559 bytes fill the body", 0, 557, 7, 80, 7, 0},
        {"560 bytes need one row more: the whole body", 0, 558, 7, 80, 7, 0},
        {"too many rows but a wide screen holds it all", 0, 559, 7, 160, 7, 0},
        {"empty line", 5, 0, 7, 80, 1, 6},
        {"one-row body", 0, 10, 1, 80, 1, 0},
    };
    for (const auto& c : cases) {
        const LogLinePlacement p = placeLogLine(c.number, std::string(c.lineBytes, 'x'), c.bodyRows, c.cols);
        EXPECT_EQ(p.scrollRows, c.scrollRows) << c.name;
        EXPECT_EQ(p.startRow, c.startRow) << c.name;
        EXPECT_EQ(p.text, std::to_string(c.number) + " " + std::string(c.lineBytes, 'x')) << c.name;
    }
}

TEST(LogLayout, LinesLongerThanTheBodyAreCutToItsCells) {
    const struct {
        std::size_t lineBytes;
        int bodyRows;
        int cols;
        std::size_t keptBytes;
    } cases[] = {
        {600, 7, 80, 560},  // needs 8 rows of 80 bytes: the 7 rows' cells are kept
        {1500, 7, 160, 1120}, {100000, 7, 160, 1120},
        {600, 7, 40, 280},  // a narrow screen keeps what its cells hold
        {50, 0, 80, 0},     // no body at all
        {50, -3, 80, 0},
    };
    for (const auto& c : cases) {
        const LogLinePlacement p = placeLogLine(7, std::string(c.lineBytes, 'y'), c.bodyRows, c.cols);
        EXPECT_EQ(p.startRow, 0) << c.lineBytes;
        EXPECT_EQ(p.scrollRows, std::max(c.bodyRows, 0)) << c.lineBytes;
        EXPECT_EQ(p.text.size(), c.keptBytes) << c.lineBytes << " in " << c.bodyRows << "x" << c.cols;
        EXPECT_EQ(p.text.substr(0, 3), std::string("7 y").substr(0, std::min<std::size_t>(3, c.keptBytes)));
    }
}

TEST(LogLayout, TheLineIsTakenByteForByte) {
    const std::string line("a\0b\tc\xff", 6);
    const LogLinePlacement p = placeLogLine(4294967295u, line, 7, 80);
    EXPECT_EQ(p.text, "4294967295 " + line);
}

}  // namespace
}  // namespace kova
