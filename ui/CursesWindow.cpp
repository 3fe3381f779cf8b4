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
    if (!shown_) {
        return;
    }
    for (WINDOW* win : {titleWin, bodyWin}) {
        if (win != nullptr) {
            touchwin(win);
            wrefresh(win);
        }
    }
    parkCursor();
}

void CursesWindow::createFrame(int cols, int top, int height) {
    bodyRows = height - 1;
    titleGeometry_ = Geometry{top, 0, 1, cols};
    bodyGeometry_ = Geometry{top + 1, 0, bodyRows, cols};
    // A screen smaller than the layout gets what fits of each window, as after a resize.
    fit(titleWin, titleGeometry_);
    paintTitleBar(titleWin, cols);
    if (titleWin != nullptr) {
        writeCaption(cols);
    }
    fit(bodyWin, bodyGeometry_);
    if (bodyWin != nullptr) {
        whline(bodyWin, ' ', cols);
        prepareBody();
    }
}

}  // namespace kova

namespace kova {

void CursesWindow::rewriteTitle() {
    if (titleWin == nullptr) {
        return;
    }
    wmove(titleWin, 0, 0);
    paintTitleBar(titleWin, getmaxx(titleWin));
    writeCaption(getmaxx(titleWin));
}

void CursesWindow::fitToScreen() {
    fit(titleWin, titleGeometry_);
    const bool bodyIsNew = fit(bodyWin, bodyGeometry_);
    if (titleWin != nullptr) {
        wmove(titleWin, 0, 0);
        paintTitleBar(titleWin, titleGeometry_.cols);
        writeCaption(titleGeometry_.cols);
    }
    if (bodyIsNew) {
        whline(bodyWin, ' ', bodyGeometry_.cols);
        prepareBody();
    }
    redrawBody();
}

bool CursesWindow::fit(WINDOW*& win, const Geometry& geometry) {
    const int rows = geometry.rows > 0 ? std::min(geometry.rows, LINES - geometry.top) : LINES - geometry.top;
    const int cols = std::min(geometry.cols, COLS - geometry.left);
    if (rows <= 0 || cols <= 0) {
        return false;  // off the screen for now; curses keeps it where it can
    }
    if (win == nullptr) {
        win = newwin(rows, cols, geometry.top, geometry.left);
        return win != nullptr;
    }
    // Shrink first, so the move never reaches past the screen; then grow back to the wanted size.
    wresize(win, std::min(rows, getmaxy(win)), std::min(cols, getmaxx(win)));
    mvwin(win, geometry.top, geometry.left);
    wresize(win, rows, cols);
    return false;
}

}  // namespace kova
