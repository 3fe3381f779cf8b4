#pragma once

#include <atomic>

#include <curses.h>

namespace kova {

// Base of every screen window: a one-row title bar and a body below it, both owned from create()
// to close(). Every curses call of a window is made under the ScreenLock.
class CursesWindow {
public:
    CursesWindow() = default;
    virtual ~CursesWindow() = default;
    CursesWindow(const CursesWindow&) = delete;
    CursesWindow& operator=(const CursesWindow&) = delete;

    // Each window makes its curses windows with a create() of its own (at row `top`, `height` rows
    // high, `cols` wide), on the main thread before the window's thread starts.

    // Brings the title bar and the body to the screen. Takes the ScreenLock.
    virtual void draw();
    // Deletes both curses windows; harmless when called twice or before create. Takes the ScreenLock.
    virtual void close();

    // Asks the window's thread body to end. Safe from any thread.
    void stop() { running = false; }

    // touchwin + wrefresh of the title bar, then the body, skipping a null one; then puts the cursor
    // back where the operator types. Nothing while the window is hidden. Caller holds the ScreenLock.
    void paint();

    // Whether the window is on screen. A hidden window keeps drawing into its curses windows, but
    // never brings them to the screen, which another view covers (the fleet table, or the console
    // that covers it). Shown from the start. Caller holds the ScreenLock.
    virtual void setShown(bool shown) { shown_ = shown; }
    bool shown() const { return shown_; }

    // After the terminal changed size: brings both curses windows back to their place and size of
    // the start, cut to what the new screen can hold (making them now if the screen was too small
    // for them before), writes the title bar again and redraws the body. Caller holds the ScreenLock.
    void fitToScreen();

protected:
    // wrefresh of `win` while the window is shown. Caller holds the ScreenLock.
    void refresh(WINDOW* win) const {
        if (shown_ && win != nullptr) {
            wrefresh(win);
        }
    }

    // The common layout of a working window: bodyRows = height - 1, a full-width title bar at row
    // `top` with the caption of writeCaption, and a body below it with its first row blanked. On a
    // screen too small for the layout, each curses window is cut to what fits (null when nothing
    // does; a later resize makes it). Caller holds the ScreenLock.
    void createFrame(int cols, int top, int height);

    // Paints the title bar again at the title window's width and writes the caption into it (not
    // refreshed); nothing while the title window is off screen. Caller holds the ScreenLock.
    void rewriteTitle();

    // Writes the window's caption into the (already painted) title bar. Called by createFrame and
    // after a resize. Caller holds the ScreenLock.
    virtual void writeCaption(int /*cols*/) {}

    // Sets up a newly made body window (scrolling, ...). Called by createFrame and when a resize
    // makes the body at last. Caller holds the ScreenLock.
    virtual void prepareBody() {}

    // Draws the body again from the window's own state after a resize (the windows that keep what
    // they show). Caller holds the ScreenLock.
    virtual void redrawBody() {}

    WINDOW* titleWin = nullptr;
    WINDOW* bodyWin = nullptr;
    int bodyRows = 0;
    std::atomic<bool> running{true};

private:
    // Where createFrame put a curses window; rows 0 means "down to the last row of the screen".
    struct Geometry {
        int top = 0;
        int left = 0;
        int rows = 0;
        int cols = 0;
    };
    // Returns true when it made the window now.
    static bool fit(WINDOW*& win, const Geometry& geometry);

    Geometry titleGeometry_;
    Geometry bodyGeometry_;
    bool shown_ = true;  // under the ScreenLock
};

}  // namespace kova
