#include "ui/IntroWindow.h"

#include <Poco/Thread.h>

#include "ui/Screen.h"

namespace kova {

namespace {

struct BannerLine {
    int row;
    int col;
    const char* text;
};

constexpr BannerLine kBanner[] = {
    {1, 15, "-= kovaConsoleOHV =-"},
    {3, 3, "A powerful, flexible, configurable software"},
    {4, 4, "console for the controller of an OHV"},
    {6, 11, "TVX Co., Ltd."},
    {7, 4, "Automated overhead transport systems"},
    {8, 11, "https://tvx.example.com"},
};

}  // namespace

void IntroWindow::create(int /*cols*/, int top, int height) {
    ScreenLock lock;
    bodyRows = height;
    bodyWin = newwin(height, kWidth, top, kLeft);
    curs_set(0);
    if (bodyWin == nullptr) {
        return;
    }
    wbkgd(bodyWin, COLOR_PAIR(kTitlePair));
    wattron(bodyWin, A_BOLD | COLOR_PAIR(kTitlePair));
    werase(bodyWin);
    for (const auto& line : kBanner) {
        mvwaddstr(bodyWin, line.row, line.col, line.text);
    }
}

void IntroWindow::draw() {
    CursesWindow::draw();
    Poco::Thread::sleep(kHoldMs);
}

}  // namespace kova
