#pragma once

#include <mutex>
#include <stdexcept>

#include <curses.h>

namespace kova {

// The one lock that serialises every curses call of the process. Debian's ncurses is not the
// reentrant build: two threads inside it at once corrupt its state and crash. Every thread takes
// this guard around each burst of curses calls and never holds it while it waits for anything else
// (a key, a socket, a sleep). The mutex is plain and non-recursive on purpose: a nested acquire
// deadlocks in a test instead of corrupting the screen in the field.
class ScreenLock {
public:
    ScreenLock();
    ~ScreenLock();
    ScreenLock(const ScreenLock&) = delete;
    ScreenLock& operator=(const ScreenLock&) = delete;

private:
    std::unique_lock<std::mutex> lock_;
};

// Colour pair of every title bar and of the banner: bold yellow on blue.
constexpr short kTitlePair = 4;
// Pairs for what must stand out on a title bar: red on blue (a silent link, an alarm) and green on
// blue (a live link).
constexpr short kAlertPair = 8;
constexpr short kGoodPair = 9;
// Rows of the fleet table that stand out: a silent link (red), a raised alarm (yellow).
constexpr short kSilentRowPair = 1;
constexpr short kAlarmRowPair = 10;

// The terminal cannot be driven (an unknown or unset terminal type). what() says why, for one line on
// standard error.
class ScreenStartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Starts curses in the terminal's character set (LC_CTYPE from the environment): colour pairs 1 to 7
// (by colour name), line buffering off, keypad on, echo off,
// a short escape delay so Esc-prefixed keys never stall the line editor. Main thread, once.
// Throws ScreenStartError, with the terminal left untouched, when curses cannot start: the screen is
// made with newterm, which reports the failure, where initscr would print and exit the process with
// every socket still open.
void startScreen();

// Ends curses and hands the terminal back. Safe to call when the screen was never started or has
// already ended.
void endScreen();

// Makes `win` a title bar: colour pair 4 as background, then pair 4 with bold as the drawing
// attribute (in that order: setting the background after the attribute drops the bold on ncurses),
// and fills the row with blanks. The cursor stays at column 0. A null window is left alone.
void paintTitleBar(WINDOW* win, int cols);

// The place where the operator types. While one is set, every refresh of any window ends by
// showing the cursor there, so the redraws of the other windows never take it away. Caller holds
// the ScreenLock.
void setInputCursor(WINDOW* win, int row, int col);
void clearInputCursor();
// Clears the input place if it lies in `win` (the window is about to be deleted).
void forgetInputCursor(WINDOW* win);
void parkCursor();

}  // namespace kova
