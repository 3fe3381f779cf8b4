#pragma once

#include <atomic>

#include <curses.h>

namespace kova {

class ConsoleApp;

// Base of every screen window: a one-row title bar and a body below it, both owned from create()
// to close(). Every curses call of a window is made under the ScreenLock.
class CursesWindow {
  public:
    CursesWindow() = default;
    virtual ~CursesWindow() = default;
    CursesWindow(const CursesWindow&) = delete;
    CursesWindow& operator=(const CursesWindow&) = delete;

    // Makes the window's curses windows at row `top`, `height` rows high, `cols` wide. Main thread,
    // before the window's thread starts.
    virtual void create(int cols, int top, int height, ConsoleApp* app) = 0;
    // Brings the title bar and the body to the screen. Takes the ScreenLock.
    virtual void draw();
    // Deletes both curses windows; harmless when called twice or before create. Takes the ScreenLock.
    virtual void close();

    // Asks the window's thread body to end. Safe from any thread.
    void stop() { running = false; }
    bool isRunning() const { return running; }

  protected:
    // touchwin + wrefresh of the title bar, then the body, skipping a null one; then puts the cursor
    // back where the operator types. Caller holds the ScreenLock.
    void paint();
    // The common layout of a working window: bodyRows = height - 1, a full-width title bar at row
    // `top` (caption written by the caller), and a body below it with its first row blanked.
    // Caller holds the ScreenLock.
    void createFrame(int cols, int top, int height, ConsoleApp* app);

    WINDOW* titleWin = nullptr;
    WINDOW* bodyWin = nullptr;
    int bodyRows = 0;
    ConsoleApp* app = nullptr;
    std::atomic<bool> running{true};
};

}  // namespace kova
