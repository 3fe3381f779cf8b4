#include "ui/CursesWindow.h"

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
    titleWin = newwin(1, cols, top, 0);
    paintTitleBar(titleWin, cols);
    bodyWin = newwin(bodyRows, cols, top + 1, 0);
    if (bodyWin != nullptr) {
        whline(bodyWin, ' ', cols);
    }
}

}  // namespace kova
