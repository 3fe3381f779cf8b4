#pragma once

#include <string>
#include <string_view>

namespace kova {

// Text from the wire as a terminal shows it, one character cell (or a few) at a time: a printable
// character as itself (characters past ASCII only when the terminal's character set, LC_CTYPE, is
// UTF-8), a control character in caret notation ("^M", "^?"), and every other byte, or a character
// the terminal cannot show, as "\xNN". Nothing it yields can move the cursor, and its widths are
// what the screen takes, so layouts by display columns hold.
class TextCells {
public:
    explicit TextCells(std::string_view text) : text_(text) {}

    // The next piece: its text and the columns it takes (at least 1). False at the end.
    bool next(std::string& piece, int& width);

    // Takes the run of printable ASCII that starts here (one column a byte), which may be empty: a
    // fast way through plain text, to be mixed freely with next().
    std::string_view plainRun();

    // Bytes of the text taken so far.
    std::size_t offset() const { return at_; }

    // Whether characters past ASCII are shown as themselves: the locale's character set is UTF-8.
    // Read once, after the program set its locale. Any thread.
    static bool utf8Terminal();

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

// The whole text as the screen shows it (TextCells), and its width in columns.
std::string displayText(std::string_view text);
int displayWidth(std::string_view text);

// The text as the screen shows it, cut to at most `columns` display columns (a wide character that
// would cross the edge is left out whole) and, when `pad`, filled with blanks to exactly `columns`:
// a table cell, or a row cut to the window.
std::string fitColumns(std::string_view text, int columns, bool pad = true);

}  // namespace kova
