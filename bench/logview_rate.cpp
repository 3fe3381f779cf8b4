// Log lines per second through LogWindow::print on a 160x30 curses screen whose output goes to
// /dev/null: numbering, layout, scroll, write and refresh of the body for every line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "OffscreenTerminal.h"
#include "logview/LogWindow.h"
#include "ui/Screen.h"

namespace {

using Clock = std::chrono::steady_clock;

double linesPerSecond(kova::LogWindow& log, const std::string& line, int count) {
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            log.print(line);
        }
        best = std::max(best, count / std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main() {
    kova::bench::OffscreenTerminal terminal(160, 30);
    if (!terminal.ok()) {
        return 1;
    }
    {
        kova::LogWindow log;
        log.create(160, 16, 8, kova::ControllerAddress{"bench", "127.0.0.1", 1});
        const double typical =
            linesPerSecond(log, "[info] route 12 accepted, 7 segments, goal po 8 barcode 1000", 20000);
        const double wrapping = linesPerSecond(log, std::string(200, 'w'), 20000);
        const double overlong = linesPerSecond(log, std::string(2000, 'o'), 5000);
        log.close();
        std::printf("LogWindow::print on a 160x30 screen written to /dev/null, best of 3 runs\n");
        std::printf("RESULT logview_lines_60_bytes %.0f lines/s\n", typical);
        std::printf("RESULT logview_lines_200_bytes %.0f lines/s\n", wrapping);
        std::printf("RESULT logview_lines_2000_bytes %.0f lines/s\n", overlong);
    }
    return 0;
}
