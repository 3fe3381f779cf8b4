// Wire text as the screen shows it and as files keep it: nothing can move the cursor or break a
// record, UTF-8 shows as its characters on a UTF-8 terminal, and invalid bytes never shift the rest.
#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "base/TextCells.h"
#include "base/Utf8.h"

namespace kova {
namespace {

// The console runs with the environment's LC_CTYPE; these tests take a UTF-8 one.
class TextCellsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
};

TEST_F(TextCellsTest, ControlBytesInvalidUtf8AndWideCharactersTakeTheirColumns) {
    ASSERT_TRUE(TextCells::utf8Terminal());
    const struct {
        std::string raw;
        std::string shown;
        int width;
    } cases[] = {
        {"plain 12 %s %n", "plain 12 %s %n", 14},
        {"\r\n\b\t\x1f\x7f", "^M^J^H^I^_^?", 12},
        {std::string("\0", 1), "^@", 2},
        {"\x1b[2J", "^[[2J", 5},
        {"caf\xc3\xa9", "caf\xc3\xa9", 4},                            // é: two bytes, one column
        {"\xe6\xbc\xa2\xe5\xad\x97", "\xe6\xbc\xa2\xe5\xad\x97", 4},  // two CJK characters, two columns each
        {"a\x80"
         "b",
         "a\\x80b", 6},                           // a stray continuation byte
        {"\xc3", "\\xc3", 4},                     // a sequence cut short
        {"\xc0\xaf", "\\xc0\\xaf", 8},            // an overlong '/'
        {"\xed\xa0\x80", "\\xed\\xa0\\x80", 12},  // a surrogate
        {"\xc2\x9b"
         "2J",
         "\\xc2\\x9b2J", 10},  // a C1 control (CSI) acts on terminals
    };
    for (const auto& c : cases) {
        EXPECT_EQ(displayText(c.raw), c.shown) << c.shown;
        EXPECT_EQ(displayWidth(c.raw), c.width) << c.shown;
    }
}

TEST_F(TextCellsTest, EscapedTextKeepsOneRecordPerLineAndValidCharacters) {
    EXPECT_EQ(escapeText("a\nb\r\tc\\d"), "a\\nb\\r\\tc\\\\d");
    EXPECT_EQ(escapeText("say \"hi\"", '"'), "say \\\"hi\\\"");
    EXPECT_EQ(escapeText("caf\xc3\xa9 \xff\x01{}"), "caf\xc3\xa9 \\xff\\x01{}");
    EXPECT_EQ(escapeText("\xc2\x85"), "\\xc2\\x85");  // NEL would end a line for some readers
}

}  // namespace
}  // namespace kova
