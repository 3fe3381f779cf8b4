// One monitor redraw (copy of the record, formatting of the 26 items, erase, writes and refresh)
// on a 160x30 curses screen whose output goes to /dev/null, so no real terminal is needed; and one
// with nothing new to show, which writes nothing, as an idle console's cost.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <Poco/Timer.h>

#include "OffscreenTerminal.h"
#include "monitor/MonitorWindow.h"
#include "monitor/StatusRows.h"
#include "ui/Screen.h"

namespace {

using Clock = std::chrono::steady_clock;

// Microseconds per call of `step`, best of five runs of `count` calls.
template <class Step>
double microsecondsPerCall(int count, Step step) {
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            step(i);
        }
        best =
            std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count);
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
        kova::MonitorWindow monitor;
        monitor.create(160, 0, 16, kova::ControllerAddress{"bench", "127.0.0.1", 1});
        Poco::Timer timer;
        kova::StatusStore& status = monitor.status();
        status.store("500", "E0012/E0345");
        status.store("3050", "left");

        const double formatOnly = microsecondsPerCall(20000, [&](int) {
            const auto items = kova::formatStatusItems(status.snapshot());
            if (items.size() != 26) {
                std::abort();
            }
        });
        const double unchanged = microsecondsPerCall(5000, [&](int) { monitor.drawStatus(timer); });
        // Values that change between redraws, as in a running vehicle: the terminal gets the new digits.
        const double changing = microsecondsPerCall(5000, [&](int i) {
            const std::string value = std::to_string(i);
            status.store("3009", value + "/" + value + "/1");
            status.store("4034", std::to_string(i * 7));
            status.store("7120", std::to_string(i * 13));
            monitor.drawStatus(timer);
        });
        monitor.close();
        std::printf("monitor redraw on a 160x30 screen written to /dev/null, best of 5 runs\n");
        std::printf("RESULT monitor_format_items %.2f us\n", formatOnly);
        std::printf("RESULT monitor_draw_unchanged %.2f us\n", unchanged);
        // Five redraws a second with nothing new: the idle console's share of one core for drawing.
        std::printf("RESULT monitor_idle_draw_core_share %.4f %%\n", unchanged * 5.0 / 1e6 * 100.0);
        std::printf("RESULT monitor_draw_changing %.2f us\n", changing);
    }
    return 0;
}
