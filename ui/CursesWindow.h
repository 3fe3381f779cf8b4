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

    // touchwin + wrefresh of the title bar, then the body, skipping a null one; then puts the cursor
    // back where the operator types. Caller holds the ScreenLock.
    void paint();

    // After the terminal changed size: brings both curses windows back to their place and size of
    // the start, cut to what the new screen can hold, and writes the title bar again. Caller holds
    // the ScreenLock.
    void fitToScreen();

protected:
    // The common layout of a working window: bodyRows = height - 1, a full-width title bar at row
    // `top` with the caption of writeCaption, and a body below it with its first row blanked.
    // Caller holds the ScreenLock.
    void createFrame(int cols, int top, int height, ConsoleApp* app);

    // Writes the window's caption into the (already painted) title bar. Called by createFrame and
    // after a resize. Caller holds the ScreenLock.
    virtual void writeCaption(int /*cols*/) {}

    WINDOW* titleWin = nullptr;
    WINDOW* bodyWin = nullptr;
    int bodyRows = 0;
    ConsoleApp* app = nullptr;
    std::atomic<bool> running{true};

private:
    // Where createFrame put a curses window; rows 0 means "down to the last row of the screen".
    struct Geometry {
        int top = 0;
        int left = 0;
        int rows = 0;
        int cols = 0;
    };
    static void fit(WINDOW*& win, const Geometry& geometry);

    Geometry titleGeometry_;
    Geometry bodyGeometry_;
};

}  // namespace kova
