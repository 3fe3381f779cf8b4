// The log window's search and filter: the time "find" takes over a full scrollback (10,000 lines:
// the matching, the view moved to the newest match and the body drawn again), and the rate of the
// log stream while a filter, a regular-expression filter or a search is on, against the rate with
// none, measured in the same run on a 160x30 curses screen written to /dev/null.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "OffscreenTerminal.h"
#include "logview/LogHistory.h"
#include "logview/LogWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

// A controller's lines of the usual kinds and lengths; about one in sixteen is a servo fault.
std::string lineFor(int i) {
    static const std::vector<std::string> kinds = {
        "[info] route 12 accepted, 7 segments, goal po 8 barcode 1000",
        "[debug] pdo period 4.01 ms, max 4.20 ms, controlword 0x000f statusword 0x0637",
        "[info] segment 31 entered at po 14, velocity 1.250 m/s, profile trapezoid",
        "[warn] barcode read retry 2 at po 15",
        "[debug] steering 00 -> 11 done in 180 ms",
        "[info] obstacle sensor field 2 clear",
        "[debug] node guard ok front rear",
        "[info] charging contact open",
    };
    if (i % 16 == 5) {
        return "[error] E" + std::to_string(200 + i % 50) +
               " servo fault front: following error 1.2 mm timeout";
    }
    return kinds[static_cast<std::size_t>(i) % kinds.size()] + " #" + std::to_string(i);
}

// Milliseconds one find over the full scrollback takes, best of five.
double findMs(kova::LogWindow& log, const std::string& typed) {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        if (!log.find(typed).empty()) {
            return -1;
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

// Lines per second as the log thread takes a burst (screen and the controller's log file), best of
// three.
double streamRate(kova::LogWindow& log, int count) {
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            log.receiveLine(lineFor(i));
        }
        log.flushScreen();
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
    const std::string work = "/tmp/kova-bench-logfind-" + std::to_string(getpid());
    std::filesystem::create_directories(work);
    std::filesystem::current_path(work);
    int status = 0;
    {
        kova::LogWindow log;
        log.create(160, 16, 8);
        for (int i = 0; i < static_cast<int>(kova::LogHistory::kMaxLines) * 2; ++i) {
            log.print(lineFor(i));
        }
        const double plain = findMs(log, "servo fault");
        const double regex = findMs(log, "re:E2[0-4]\\d servo .*timeout$");
        const double none = findMs(log, "no such text");
        log.find("re:^$");  // a search that matches nothing, then off again with Esc
        log.takeKey(27);

        if (!log.keepLines("bench").empty()) {
            return 1;
        }
        const int count = 50000;
        const double unfiltered = streamRate(log, count);
        log.filter("servo fault");
        const double filtered = streamRate(log, count);
        log.filter("re:E2[0-4]\\d servo .*timeout$");
        const double regexFiltered = streamRate(log, count);
        log.filter("[");  // keeps every line: the filter's whole cost and nothing saved
        const double everyLine = streamRate(log, count);
        log.filter("");
        // A search on, its matches highlighted in the lines as they come: scrolled back to its newest
        // match, then live again (Esc).
        log.find("re:following error \\d+\\.\\d mm");
        const double searchingBack = streamRate(log, count);
        log.takeKey(27);
        const double searching = streamRate(log, count);
        log.close();
        if (plain < 0 || regex < 0 || none < 0) {
            status = 1;
        }
        std::printf(
            "find over a full scrollback of %zu lines; stream of %d mixed lines (screen and file), "
            "best of 3 runs\n",
            kova::LogHistory::kMaxLines, count);
        std::printf("RESULT logfind_find_plain_10000_lines %.2f ms\n", plain);
        std::printf("RESULT logfind_find_regex_10000_lines %.2f ms\n", regex);
        std::printf("RESULT logfind_find_no_match_10000_lines %.2f ms\n", none);
        std::printf("RESULT logfind_stream_unfiltered %.0f lines/s\n", unfiltered);
        std::printf("RESULT logfind_stream_filter_plain %.0f lines/s\n", filtered);
        std::printf("RESULT logfind_stream_filter_plain_share %.0f %%\n", 100 * filtered / unfiltered);
        std::printf("RESULT logfind_stream_filter_regex %.0f lines/s\n", regexFiltered);
        std::printf("RESULT logfind_stream_filter_regex_share %.0f %%\n", 100 * regexFiltered / unfiltered);
        std::printf("RESULT logfind_stream_filter_every_line %.0f lines/s\n", everyLine);
        std::printf("RESULT logfind_stream_filter_every_line_share %.0f %%\n", 100 * everyLine / unfiltered);
        std::printf("RESULT logfind_stream_find_regex %.0f lines/s\n", searching);
        std::printf("RESULT logfind_stream_find_regex_share %.0f %%\n", 100 * searching / unfiltered);
        std::printf("RESULT logfind_stream_find_regex_scrolled_back %.0f lines/s\n", searchingBack);
    }
    std::filesystem::current_path("/");
    std::filesystem::remove_all(work);
    return status;
}
