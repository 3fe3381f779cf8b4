#pragma once

#include <atomic>
#include <vector>

#include <curses.h>

namespace kova {

// The keyboard, for the command line: waits for keys with poll() on standard input and a wake pipe
// (so the wait never holds the ScreenLock and another thread can end it at once), and reads them
// through a 1x1 curses pad with keypad translation. Reading from a pad never refreshes anything on
// screen, so keys can be read whether or not the input area exists (a terminal too short for it).
// Everything curses has already taken from the terminal is read too, so no key is left waiting in
// curses' own queue, where poll() cannot see it.
class KeyInput {
public:
    KeyInput();
    ~KeyInput();
    KeyInput(const KeyInput&) = delete;
    KeyInput& operator=(const KeyInput&) = delete;

    // Makes the pad. Caller holds the ScreenLock; the screen is started. Harmless twice.
    void attach();
    // Deletes the pad. Caller holds the ScreenLock. Harmless when there is none.
    void detach();

    // Blocks, without the ScreenLock, until the terminal has input (true) or wake() was called
    // (false). Once standard input is found at its end or gone, only wake() is awaited, so a console
    // without a keyboard never spins. Command thread.
    bool wait();

    // Appends every key waiting now (curses key codes) to `keys`. Caller holds the ScreenLock; never
    // blocks. Command thread. Call after wait() returned true: an empty read then means standard input
    // is at its end.
    void read(std::vector<int>& keys);

    // Waits `ms` milliseconds without looking at the keyboard (keys typed meanwhile stay for later).
    // Returns false at once when woken, then or before. Without the ScreenLock. Command thread.
    bool pause(long ms);

    // Ends a wait() or pause() in progress and every later one. Any thread.
    void wake();

private:
    // Polls stdin (when `withKeyboard`) and the wake pipe until one is ready or `timeoutMs` passes
    // (-1: no limit). Returns 1 for input, 0 for the time-out, -1 when woken.
    int poll(bool withKeyboard, long timeoutMs);

    WINDOW* pad_ = nullptr;
    int wakePipe_[2] = {-1, -1};
    std::atomic<bool> woken_{false};
    bool keyboardGone_ = false;
    bool afterWait_ = false;
};

}  // namespace kova
