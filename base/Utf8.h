#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kova {

// Reads one UTF-8 character of `text` at `at`: on success moves `at` past it, sets `codePoint` and
// returns true; for a byte that starts no valid character (a stray continuation byte, a truncated
// or overlong sequence, a surrogate, a value past U+10FFFF) moves `at` past that one byte only and
// returns false, so a reader never loses the text after a bad byte. Pure.
bool nextUtf8(std::string_view text, std::size_t& at, char32_t& codePoint);

// Appends `byte` as \xNN (two lower-case hex digits). Pure.
void appendHexByte(std::string& out, unsigned char byte);

// The text with every byte that could act on a terminal or break a record made visible: control
// characters as \n, \r, \t or \xNN, the backslash doubled, and bytes of invalid UTF-8 as \xNN;
// valid UTF-8 characters stay as they are. `quote` is escaped too (\") when given. For writing wire
// text into files and logs as data. Pure.
std::string escapeText(std::string_view text, char quote = '\0');

}  // namespace kova
