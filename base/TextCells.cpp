#include "base/TextCells.h"

#include <langinfo.h>
#include <wchar.h>

#include <cstring>

#include "base/Utf8.h"

namespace kova {

bool TextCells::utf8Terminal() {
    static const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    return utf8;
}

bool TextCells::next(std::string& piece, int& width) {
    if (at_ >= text_.size()) {
        return false;
    }
    piece.clear();
    const std::size_t start = at_;
    const auto byte = static_cast<unsigned char>(text_[start]);
    if (byte < 0x20 || byte == 0x7F) {
        ++at_;
        piece += '^';
        piece += static_cast<char>(byte ^ 0x40);
        width = 2;
        return true;
    }
    if (byte < 0x80) {
        ++at_;
        piece += static_cast<char>(byte);
        width = 1;
        return true;
    }
    char32_t codePoint = 0;
    const bool valid = nextUtf8(text_, at_, codePoint);
    const int columns = valid && utf8Terminal() ? ::wcwidth(static_cast<wchar_t>(codePoint)) : -1;
    if (columns <= 0) {
        // Invalid, unprintable (C1 controls, zero-width marks) or not for this terminal: its bytes.
        for (std::size_t i = start; i < at_; ++i) {
            appendHexByte(piece, static_cast<unsigned char>(text_[i]));
        }
        width = static_cast<int>(piece.size());
        return true;
    }
    piece.assign(text_.substr(start, at_ - start));
    width = columns;
    return true;
}

std::string_view TextCells::plainRun() {
    const std::size_t start = at_;
    while (at_ < text_.size()) {
        const auto byte = static_cast<unsigned char>(text_[at_]);
        if (byte < 0x20 || byte >= 0x7F) {
            break;
        }
        ++at_;
    }
    return text_.substr(start, at_ - start);
}

std::string displayText(std::string_view text) {
    std::string shown;
    std::string piece;
    int width = 0;
    for (TextCells cells(text); cells.next(piece, width);) {
        shown += piece;
    }
    return shown;
}

int displayWidth(std::string_view text) {
    int columns = 0;
    std::string piece;
    int width = 0;
    for (TextCells cells(text); cells.next(piece, width);) {
        columns += width;
    }
    return columns;
}

std::string fitColumns(std::string_view text, int columns, bool pad) {
    std::string fitted;
    int used = 0;
    std::string piece;
    int width = 0;
    for (TextCells cells(text); cells.next(piece, width) && used + width <= columns;) {
        fitted += piece;
        used += width;
    }
    if (pad && used < columns) {
        fitted.append(static_cast<std::size_t>(columns - used), ' ');
    }
    return fitted;
}

}  // namespace kova
