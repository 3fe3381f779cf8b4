// Log lines per second through LogWindow::print on a 160x30 curses screen whose output goes to
// /dev/null (numbering, layout, scroll, write and refresh of the body for every line), the same with
// every line also kept in the controller's log file as the receive loop does, and the memory the
// scrollback of 10,000 lines takes.
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "OffscreenTerminal.h"
#include "logview/LogHistory.h"
#include "logview/LogWindow.h"
#include "ui/Screen.h"

namespace {

using Clock = std::chrono::steady_clock;

// Lines one at a time through print(), each refreshed on its own: a quiet stream.
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

// Lines back to back as the log thread takes a burst: to the screen (refreshed every few tens of
// milliseconds while they keep coming) and into the controller's log file.
double streamLinesPerSecond(kova::LogWindow& log, const std::string& line, int count) {
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            log.receiveLine(line);
        }
        log.flushScreen();
        best = std::max(best, count / std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Heap bytes that 10,000 lines of `bytes` bytes take in the scrollback.
double scrollbackMegabytes(std::size_t bytes) {
    const std::size_t before = mallinfo2().uordblks;
    {
        kova::LogHistory history;
        const std::string line(bytes, 's');
        for (std::int64_t i = 0; i < static_cast<std::int64_t>(kova::LogHistory::kMaxLines); ++i) {
            history.append(i, line);
        }
        const std::size_t after = mallinfo2().uordblks;
        return static_cast<double>(after - before) / (1024.0 * 1024.0);
    }
}

}  // namespace

int main() {
    kova::bench::OffscreenTerminal terminal(160, 30);
    if (!terminal.ok()) {
        return 1;
    }
    const std::string work = "/tmp/kova-bench-logview-" + std::to_string(getpid());
    std::filesystem::create_directories(work);
    std::filesystem::current_path(work);
    {
        kova::LogWindow log;
        log.create(160, 16, 8);
        const double typical =
            linesPerSecond(log, "[info] route 12 accepted, 7 segments, goal po 8 barcode 1000", 20000);
        const double wrapping = linesPerSecond(log, std::string(200, 'w'), 20000);
        const double overlong = linesPerSecond(log, std::string(2000, 'o'), 5000);
        if (!log.keepLines("bench").empty()) {
            return 1;
        }
        const double stream = streamLinesPerSecond(log, std::string(200, 'k'), 50000);
        log.close();
        std::printf("LogWindow on a 160x30 screen written to /dev/null, best of 3 runs\n");
        std::printf("RESULT logview_lines_60_bytes %.0f lines/s\n", typical);
        std::printf("RESULT logview_lines_200_bytes %.0f lines/s\n", wrapping);
        std::printf("RESULT logview_lines_2000_bytes %.0f lines/s\n", overlong);
        std::printf("RESULT logview_stream_200_bytes_screen_and_file %.0f lines/s\n", stream);
    }
    std::printf("RESULT logview_scrollback_10000_lines_200_bytes %.2f MB\n", scrollbackMegabytes(200));
    std::filesystem::current_path("/");
    std::filesystem::remove_all(work);
    return 0;
}
