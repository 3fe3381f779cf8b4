#include "ui/LineEditor.h"

#include <curses.h>

namespace kova {

namespace {

constexpr int ctrl(char c) {
    return c & 0x1f;
}

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool isTextByte(int key) {
    // Printable ASCII and the bytes of other character sets; never a control character, DEL or a
    // curses function key.
    return (key >= 0x20 && key < 0x7f) || (key >= 0x80 && key <= 0xff);
}

}  // namespace

LineEditor::Result LineEditor::feed(int key) {
    switch (key) {
        case '\n':
        case '\r':
        case KEY_ENTER:
            return Result::Submitted;
        case KEY_BACKSPACE:
        case 0x7f:
        case ctrl('H'):
            return cursor_ == 0 ? Result::Refused : erase(previous(cursor_));
        case KEY_DC:
        case ctrl('D'):
            return cursor_ >= line_.size() ? Result::Refused : erase(cursor_);
        case KEY_LEFT:
        case ctrl('B'):
            if (cursor_ == 0) {
                return Result::Unchanged;
            }
            cursor_ = previous(cursor_);
            return Result::Changed;
        case KEY_RIGHT:
        case ctrl('F'):
            if (cursor_ >= line_.size()) {
                return Result::Unchanged;
            }
            cursor_ = following(cursor_);
            return Result::Changed;
        case KEY_HOME:
        case ctrl('A'):
            cursor_ = 0;
            return Result::Changed;
        case KEY_END:
        case ctrl('E'):
            cursor_ = line_.size();
            return Result::Changed;
        case ctrl('U'):
            replaceLine("");
            return Result::Changed;
        case KEY_UP:
        case ctrl('P'):
            return recall(-1);
        case KEY_DOWN:
        case ctrl('N'):
            return recall(+1);
        default:
            break;
    }
    if (isTextByte(key)) {
        return insert(static_cast<char>(key));
    }
    // Other function keys (F1, PgUp, a resize, ...) do nothing; other control characters and a
    // lone Escape are refused, so no escape byte ever lands in the line.
    return key > 0xff ? Result::Unchanged : Result::Refused;
}

std::string LineEditor::takeLine() {
    std::string line;
    line.swap(line_);
    cursor_ = 0;
    draft_.clear();
    if (!line.empty() && (history_.empty() || history_.back() != line)) {
        history_.push_back(line);
        if (history_.size() > kMaxHistory) {
            history_.erase(history_.begin());
        }
    }
    historyPos_ = history_.size();
    return line;
}

LineEditor::Result LineEditor::insert(char c) {
    if (line_.size() >= kMaxLength) {
        return Result::Refused;
    }
    line_.insert(cursor_, 1, c);
    ++cursor_;
    return Result::Changed;
}

LineEditor::Result LineEditor::erase(std::size_t at) {
    line_.erase(at, following(at) - at);
    cursor_ = at;
    return Result::Changed;
}

std::size_t LineEditor::previous(std::size_t at) const {
    // Back over a UTF-8 character's continuation bytes to its first byte.
    do {
        --at;
    } while (at > 0 && isContinuation(line_[at]));
    return at;
}

std::size_t LineEditor::following(std::size_t at) const {
    do {
        ++at;
    } while (at < line_.size() && isContinuation(line_[at]));
    return at;
}

LineEditor::Result LineEditor::recall(int step) {
    if (step < 0) {
        if (historyPos_ == 0) {
            return Result::Refused;
        }
        if (historyPos_ == history_.size()) {
            draft_ = line_;
        }
        --historyPos_;
        replaceLine(history_[historyPos_]);
        return Result::Changed;
    }
    if (historyPos_ >= history_.size()) {
        return Result::Refused;
    }
    ++historyPos_;
    replaceLine(historyPos_ == history_.size() ? draft_ : history_[historyPos_]);
    return Result::Changed;
}

void LineEditor::replaceLine(const std::string& text) {
    line_ = text;
    cursor_ = line_.size();
}

}  // namespace kova
