#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kova {

// The command line's editing logic, without a terminal: what each key does to the line being typed.
// It behaves like curses' echoing line read (insert, backspace, refuse past the limit, Enter ends
// the line) and adds what operators expect of a prompt: cursor movement and recall of the lines
// entered earlier in this run with Up and Down. Keys are curses key codes (wgetch results).
// Not thread-safe; owned by the command thread.
class LineEditor {
public:
    enum class Result {
        Changed,    // the line or the cursor moved; redraw it
        Unchanged,  // nothing to do (an unknown function key, a resize)
        Refused,    // the key cannot be taken here; beep
        Submitted,  // Enter: take the line with takeLine()
    };

    static constexpr std::size_t kMaxLength = 255;
    static constexpr std::size_t kMaxHistory = 200;

    Result feed(int key);

    const std::string& text() const { return line_; }
    std::size_t cursor() const { return cursor_; }

    // Puts `text` in place of the line being typed, with the cursor at its end (a completion).
    void replace(const std::string& text) { replaceLine(text); }

    // Returns the submitted line, remembers it for recall (empty lines and a repeat of the last line
    // are not remembered) and starts a new, empty line.
    std::string takeLine();

private:
    Result insert(char c);
    Result erase(std::size_t at);
    Result recall(int step);
    // Where the character before / after the one at `at` starts: a UTF-8 character is one unit for
    // moving and erasing.
    std::size_t previous(std::size_t at) const;
    std::size_t following(std::size_t at) const;
    void replaceLine(const std::string& text);

    std::string line_;
    std::size_t cursor_ = 0;
    std::vector<std::string> history_;
    std::size_t historyPos_ = 0;  // == history_.size() while editing the new line
    std::string draft_;           // the new line, kept while older lines are recalled
};

}  // namespace kova
