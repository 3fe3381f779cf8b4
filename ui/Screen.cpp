#include "ui/Screen.h"

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <string>

namespace kova {

namespace {

std::mutex g_screenMutex;
bool g_screenStarted = false;

struct InputCursor {
    WINDOW* win = nullptr;
    int row = 0;
    int col = 0;
};
InputCursor g_inputCursor;

constexpr int kEscapeDelayMs = 25;

}  // namespace

ScreenLock::ScreenLock() : lock_(g_screenMutex) {}
ScreenLock::~ScreenLock() = default;

void startScreen() {
    // Ctrl-Z would run curses' own suspend handler on whichever thread the signal lands, outside
    // the ScreenLock and while other threads draw. Ignored before initscr, curses installs no
    // handler, and the console simply does not suspend.
    signal(SIGTSTP, SIG_IGN);
    // The character set from the environment, so UTF-8 text shows as its characters. Only LC_CTYPE:
    // numbers keep the C locale's decimal point, in what the monitor prints and in what it parses.
    std::setlocale(LC_CTYPE, "");
    if (newterm(nullptr, stdout, stdin) == nullptr) {
        const char* term = std::getenv("TERM");
        if (term == nullptr || *term == '\0') {
            throw ScreenStartError("the terminal type is not set (TERM)");
        }
        throw ScreenStartError("unknown terminal type '" + std::string(term) + "'");
    }
    g_screenStarted = true;
    start_color();
    init_pair(1, COLOR_RED, COLOR_BLACK);
    init_pair(2, COLOR_CYAN, COLOR_GREEN);
    init_pair(3, COLOR_GREEN, COLOR_RED);
    init_pair(4, COLOR_YELLOW, COLOR_BLUE);
    init_pair(5, COLOR_BLACK, COLOR_WHITE);
    init_pair(6, COLOR_MAGENTA, COLOR_BLUE);
    init_pair(7, COLOR_CYAN, COLOR_WHITE);
    init_pair(kAlertPair, COLOR_RED, COLOR_BLUE);
    init_pair(kGoodPair, COLOR_GREEN, COLOR_BLUE);
    init_pair(kAlarmRowPair, COLOR_YELLOW, COLOR_BLACK);
    cbreak();
    keypad(stdscr, TRUE);
    noecho();
    set_escdelay(kEscapeDelayMs);
}

void endScreen() {
    if (g_screenStarted && !isendwin()) {
        endwin();
    }
}

void paintTitleBar(WINDOW* win, int cols) {
    if (win == nullptr) {
        return;
    }
    wbkgd(win, COLOR_PAIR(kTitlePair));
    wattron(win, A_BOLD | COLOR_PAIR(kTitlePair));
    whline(win, ' ', cols);
}

void setInputCursor(WINDOW* win, int row, int col) {
    g_inputCursor = InputCursor{win, row, col};
}

void clearInputCursor() {
    g_inputCursor = InputCursor{};
}

void forgetInputCursor(WINDOW* win) {
    if (win != nullptr && g_inputCursor.win == win) {
        clearInputCursor();
    }
}

void parkCursor() {
    if (g_inputCursor.win == nullptr) {
        return;
    }
    curs_set(1);
    wmove(g_inputCursor.win, g_inputCursor.row, g_inputCursor.col);
    wrefresh(g_inputCursor.win);
}

}  // namespace kova
