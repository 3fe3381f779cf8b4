#pragma once

// A curses screen of a fixed size whose output goes to /dev/null, for benchmarks that draw without a
// real terminal. Ended and freed when the object goes.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <curses.h>

namespace kova::bench {

class OffscreenTerminal {
public:
    OffscreenTerminal(int cols, int rows) {
        setenv("COLUMNS", std::to_string(cols).c_str(), 1);
        setenv("LINES", std::to_string(rows).c_str(), 1);
        out_ = std::fopen("/dev/null", "w");
        in_ = std::fopen("/dev/null", "r");
        screen_ = newterm("xterm-256color", out_, in_);
        if (screen_ == nullptr) {
            std::fprintf(stderr, "newterm failed\n");
            return;
        }
        set_term(screen_);
        std::printf("screen %dx%d\n", getmaxx(stdscr), getmaxy(stdscr));
    }
    ~OffscreenTerminal() {
        if (screen_ != nullptr) {
            endwin();
            delscreen(screen_);
        }
        std::fclose(out_);
        std::fclose(in_);
    }
    OffscreenTerminal(const OffscreenTerminal&) = delete;
    OffscreenTerminal& operator=(const OffscreenTerminal&) = delete;

    bool ok() const { return screen_ != nullptr; }

private:
    FILE* out_ = nullptr;
    FILE* in_ = nullptr;
    SCREEN* screen_ = nullptr;
};

}  // namespace kova::bench
