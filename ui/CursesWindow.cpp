#include "ui/CursesWindow.h"

#include <algorithm>

#include "ui/Screen.h"

namespace kova {

void CursesWindow::draw() {
    ScreenLock lock;
    paint();
}

void CursesWindow::close() {
    ScreenLock lock;
    if (titleWin != nullptr) {
        delwin(titleWin);
        titleWin = nullptr;
    }
    if (bodyWin != nullptr) {
        forgetInputCursor(bodyWin);
        delwin(bodyWin);
        bodyWin = nullptr;
    }
}

void CursesWindow::paint() {
    for (WINDOW* win : {titleWin, bodyWin}) {
        if (win != nullptr) {
            touchwin(win);
            wrefresh(win);
        }
    }
    parkCursor();
}

void CursesWindow::createFrame(int cols, int top, int height, ConsoleApp* owner) {
    app = owner;
    bodyRows = height - 1;
    titleGeometry_ = Geometry{top, 0, 1, cols};
    bodyGeometry_ = Geometry{top + 1, 0, bodyRows, cols};
    titleWin = newwin(1, cols, top, 0);
    paintTitleBar(titleWin, cols);
    if (titleWin != nullptr) {
        writeCaption(cols);
    }
    bodyWin = newwin(bodyRows, cols, top + 1, 0);
    if (bodyWin != nullptr) {
        whline(bodyWin, ' ', cols);
    }
}

}  // namespace kova

namespace kova {

void CursesWindow::fitToScreen() {
    fit(titleWin, titleGeometry_);
    fit(bodyWin, bodyGeometry_);
    if (titleWin != nullptr) {
        wmove(titleWin, 0, 0);
        whline(titleWin, ' ', titleGeometry_.cols);
        writeCaption(titleGeometry_.cols);
    }
}

void CursesWindow::fit(WINDOW*& win, const Geometry& geometry) {
    if (win == nullptr) {
        return;
    }
    const int rows = geometry.rows > 0 ? std::min(geometry.rows, LINES - geometry.top) : LINES - geometry.top;
    const int cols = std::min(geometry.cols, COLS - geometry.left);
    if (rows <= 0 || cols <= 0) {
        return;  // off the screen for now; curses keeps it where it can
    }
    // Shrink first, so the move never reaches past the screen; then grow back to the wanted size.
    wresize(win, std::min(rows, getmaxy(win)), std::min(cols, getmaxx(win)));
    mvwin(win, geometry.top, geometry.left);
    wresize(win, rows, cols);
}

}  // namespace kova
