// How a numbered log line takes rows of the log body: the fixed 80-byte rule, lines that need more
// rows than it says (line breaks, tabs, control bytes, narrow screens), lines longer than the whole
// body, and the body drawn again from the lines kept.
#include <deque>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "logview/LogHistory.h"
#include "logview/LogLayout.h"

namespace kova {
namespace {

std::string joined(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows) {
        text += row;
    }
    return text;
}

TEST(LogLayout, RowsFollowTheEightyByteRuleWhateverTheWidth) {
    const struct {
        const char* name;
        std::int64_t number;
        std::size_t lineBytes;  // bytes of the line itself, before "<number> "
        int bodyRows;
        int cols;
        int height;
    } cases[] = {
        {"short line", 0, 3, 7, 80, 1},
        {"79 bytes with its number", 0, 77, 7, 80, 1},
        {"80 bytes with its number", 0, 78, 7, 80, 2},
        {"80 bytes on a wide screen", 0, 78, 7, 160, 2},
        {"159 bytes", 0, 157, 7, 160, 2},
        {"160 bytes", 0, 158, 7, 160, 3},
        {"number widens the line", 1000000, 72, 7, 80, 2},
        {"559 bytes fill the body", 0, 557, 7, 80, 7},
        {"560 bytes need one row more: the whole body", 0, 558, 7, 80, 7},
        {"empty line", 5, 0, 7, 80, 1},
        {"one-row body", 0, 10, 1, 80, 1},
        {"numbers go on past 2^32", 4294967296, 3, 7, 80, 1},
        {"a recorded -1 stays -1", -1, 3, 7, 80, 1},
    };
    for (const auto& c : cases) {
        const std::string line(c.lineBytes, 'x');
        const LogBlock block = layoutLogLine(c.number, line, c.bodyRows, c.cols);
        EXPECT_EQ(block.height, c.height) << c.name;
        const std::string expected = std::to_string(c.number) + " " + line;
        EXPECT_EQ(joined(block.rows), expected.substr(0, std::size_t(c.bodyRows) * std::size_t(c.cols)))
            << c.name;
        for (const std::string& row : block.rows) {
            EXPECT_LE(row.size(), std::size_t(c.cols)) << c.name;
        }
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
        const LogBlock block = layoutLogLine(7, std::string(c.lineBytes, 'y'), c.bodyRows, c.cols);
        EXPECT_EQ(block.height, std::max(c.bodyRows, 0)) << c.lineBytes;
        EXPECT_EQ(joined(block.rows).size(), c.keptBytes)
            << c.lineBytes << " in " << c.bodyRows << "x" << c.cols;
        EXPECT_EQ(joined(block.rows).substr(0, 3),
                  std::string("7 y").substr(0, std::min<std::size_t>(3, c.keptBytes)));
    }
}

// Text the 80-byte rule does not see: it still reaches the screen, taking the rows it needs.
TEST(LogLayout, EveryCharacterGetsARowWhenTheTextNeedsMoreThanTheRule) {
    const struct {
        const char* name;
        std::string line;
        int cols;
        std::vector<std::string> rows;
        int height;
    } cases[] = {
        {"line break", "first\nsecond", 160, {"0 first", "second"}, 2},
        {"CR LF inside", "first\r\nsecond", 160, {"0 first", "second"}, 2},
        {"one line break at the end starts no row", "done\r\n", 160, {"0 done"}, 1},
        {"tab to the next stop", "a\tb", 160, {"0 a     b"}, 1},
        {"control bytes in caret notation", std::string("a\0b\rc\x7f", 6), 160, {"0 a^@b^Mc^?"}, 1},
        {"bytes past ASCII escaped", "\xff\xc3", 160, {"0 \\xff\\xc3"}, 1},
        {"a narrow screen wraps by its width",
         std::string(48, 'n'),
         20,
         {"0 " + std::string(18, 'n'), std::string(20, 'n'), std::string(10, 'n')},
         3},
        {"a caret pair never splits across rows", "abcdefg\x01", 10, {"0 abcdefg", "^A"}, 2},
    };
    for (const auto& c : cases) {
        const LogBlock block = layoutLogLine(0, c.line, 7, c.cols);
        EXPECT_EQ(block.rows, c.rows) << c.name;
        EXPECT_EQ(block.height, c.height) << c.name;
    }
    // More line breaks than the body has rows: cut to the body from the first row.
    const LogBlock tall = layoutLogLine(3, "1\n2\n3\n4\n5\n6\n7\n8\n9", 7, 80);
    EXPECT_EQ(tall.height, 7);
    EXPECT_EQ(tall.rows, (std::vector<std::string>{"3 1", "2", "3", "4", "5", "6", "7"}));
}

// Drawing the body again from the kept lines gives what printing them one by one left on screen:
// each line's block under the one before, blank rows where the 80-byte rule asks for more rows than
// the text has, the oldest block cut at the top.
TEST(LogLayout, TheBodyDrawnAgainStacksTheBlocksFromTheBottom) {
    std::deque<LogEntry> entries = {
        {0, "zero\none\ntwo"},
        {1, std::string(85, 'w')},
        {2, "a"},
        {3, "b\nc"},
    };
    const std::vector<std::string> body = renderLogBody(entries, 6, 160);
    EXPECT_EQ(body, (std::vector<std::string>{"two", "1 " + std::string(85, 'w'), "", "2 a", "3 b", "c"}));

    // Scrolled back by two rows: the two rows at the bottom fall away, older rows come in at the top.
    const std::vector<std::string> back = renderLogBody(entries, 6, 160, 2);
    EXPECT_EQ(back,
              (std::vector<std::string>{"0 zero", "one", "two", "1 " + std::string(85, 'w'), "", "2 a"}));

    EXPECT_EQ(renderLogBody(std::deque<LogEntry>{}, 3, 80), (std::vector<std::string>{"", "", ""}));
}

TEST(LogHistory, KeepsTheNewestLinesWithinItsBounds) {
    LogHistory history;
    for (std::uint32_t i = 0; i < LogHistory::kMaxLines + 5; ++i) {
        history.append(i, "line");
    }
    EXPECT_EQ(history.entries().size(), LogHistory::kMaxLines);
    EXPECT_EQ(history.entries().front().number, 5);

    // Hostile lengths: one line keeps only its head, and the total stays bounded.
    LogHistory big;
    const std::string huge(LogHistory::kMaxLineBytes * 4, 'h');
    for (std::uint32_t i = 0; i < 400; ++i) {
        big.append(i, huge);
    }
    EXPECT_EQ(big.entries().back().text.size(), LogHistory::kMaxLineBytes);
    EXPECT_LE(big.bytes(), LogHistory::kMaxBytes);
    EXPECT_EQ(big.entries().back().number, 399);
}

// Matched bytes land on the rows where the screen shows them: across a wrap, behind a caret pair.
TEST(LogLayout, MarksFollowTheMatchedBytesToTheirCells) {
    using Marks = std::vector<std::tuple<int, std::size_t, std::size_t>>;
    auto marksOf = [](const LogBlock& block) {
        Marks out;
        for (const LogBlock::Mark& mark : block.marks) {
            out.emplace_back(mark.row, mark.begin, mark.end);
        }
        return out;
    };
    EXPECT_EQ(marksOf(layoutLogLine(7, "xx err yy", 3, 80, {{3, 6}})), (Marks{{0, 5, 8}}));
    // "7 abcdefgh" at 6 columns: "7 abcd" / "efgh"; bytes c..f of the line.
    EXPECT_EQ(marksOf(layoutLogLine(7, "abcdefgh", 3, 6, {{2, 6}})), (Marks{{0, 4, 6}, {1, 0, 2}}));
    // A control byte shows as "^A", marked whole.
    EXPECT_EQ(marksOf(layoutLogLine(7,
                                    "a\x01"
                                    "b",
                                    3, 80, {{1, 2}})),
              (Marks{{0, 3, 5}}));
    // Rows cut off the body take their marks with them.
    EXPECT_TRUE(marksOf(layoutLogLine(7, "abcdefgh", 1, 6, {{6, 8}})).empty());

    const std::deque<LogEntry> entries{{1, "hit one"}, {2, "miss"}, {3, "hit two"}};
    const LogBody body = renderMarkedLogBody(entries, 3, 80, 0, [](const std::string& text) {
        return text.rfind("hit", 0) == 0 ? std::vector<MatchSpan>{{0, 3}} : std::vector<MatchSpan>{};
    });
    EXPECT_EQ(body.rows, (std::vector<std::string>{"1 hit one", "2 miss", "3 hit two"}));
    Marks marks;
    for (const LogBlock::Mark& mark : body.marks) {
        marks.emplace_back(mark.row, mark.begin, mark.end);
    }
    EXPECT_EQ(marks, (Marks{{2, 2, 5}, {0, 2, 5}}));
}

}  // namespace
}  // namespace kova
