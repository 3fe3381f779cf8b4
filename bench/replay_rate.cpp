// Replay of a one-hour recording at 60 times its pace, in process on a 160x30 curses screen whose
// output goes to /dev/null: the simulator's stream (every object it publishes, at its periods) is
// recorded for one simulated hour, then replayed for 20 s while a 200 ms timer redraws the monitor as
// the console's does. Reports the events replayed a second, the CPU it takes and how late the redraws
// came (the recording's size per hour is recorder_throughput's).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <Poco/Timer.h>

#include "OffscreenTerminal.h"
#include "app/Replayer.h"
#include "monitor/MonitorWindow.h"
#include "record/RecordWriter.h"
#include "sim/StatusObjects.h"
#include "sim/VehicleModel.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kHourNs = 3600LL * 1'000'000'000LL;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One hour of the simulator's status stream, at its publishing periods, into `path`.
long recordHour(const std::string& path, std::int64_t start) {
    kova::record::RecordWriter writer(1 << 16);
    writer.open(path, false, {"0.6", "ohv01", "127.0.0.1", 5565});
    kova::sim::VehicleModel model;
    const kova::sim::VehicleStatus status = model.readout();
    long messages = 0;
    for (std::int64_t ms = 0; ms < 3600 * 1000; ms += 50) {
        for (const kova::sim::PublishedObject& object : kova::sim::publishedObjects()) {
            if (ms % object.periodMs != 0) {
                continue;
            }
            const auto values = kova::sim::statusValues(status, object.index);
            while (!writer.hasRoom()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            writer.recordStatus(start + ms * 1'000'000, {std::to_string(object.index), values.value_or("")});
            ++messages;
        }
    }
    writer.close();
    return messages;
}

}  // namespace

int main() {
    const std::string work = "/tmp/kova-bench-replay-" + std::to_string(getpid());
    std::filesystem::create_directories(work);
    const std::string path = work + "/hour.db";
    const std::int64_t start = kova::record::RecordWriter::nowNs() - kHourNs;
    const long messages = recordHour(path, start);

    // Opening: the sessions, the span, and one pass over every table for the rows the walk cannot
    // replay; then the count of the session's messages that a file of several sessions lists.
    const auto openedAt = Clock::now();
    {
        kova::record::RecordReader reader(path);
        reader.selectSession(0);
        reader.sessionEvents(0);
        reader.damagedRows();
    }
    const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - openedAt).count();

    kova::bench::OffscreenTerminal terminal(160, 30);
    if (!terminal.ok()) {
        return 1;
    }
    double perSecond = 0;
    double cpu = 0;
    double lateMs = 0;
    {
        kova::MonitorWindow monitor;
        kova::LogWindow log;
        kova::CommandWindow command;
        monitor.create(160, 0, 16);
        log.create(160, 16, 8);
        command.create(160, 24, 1, kova::ControllerAddress{"ohv01", "127.0.0.1", 5565});
        auto reader = std::make_shared<kova::record::RecordReader>(path);
        kova::Replayer replayer(reader, 0, 60, log, command);
        monitor.show(replayer.store(), replayer.recordedController());

        std::atomic<bool> running{true};
        std::thread replay([&] { replayer.run(running); });
        std::vector<double> gaps;
        Poco::Timer timer;
        const double cpuBefore = cpuSeconds();
        const auto began = Clock::now();
        Clock::time_point previous = began;
        while (Clock::now() - began < std::chrono::seconds(20)) {
            std::this_thread::sleep_until(previous + std::chrono::milliseconds(200));
            const auto now = Clock::now();
            gaps.push_back(std::chrono::duration<double, std::milli>(now - previous).count());
            previous = now;
            monitor.drawStatus(timer);
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
        cpu = 100.0 * (cpuSeconds() - cpuBefore) / elapsed;
        running = false;
        replayer.wake();
        replay.join();
        perSecond = static_cast<double>(replayer.played()) / elapsed;
        std::sort(gaps.begin(), gaps.end());
        lateMs = gaps.back() - 200.0;
        monitor.close();
        log.close();
        command.close();
    }
    std::filesystem::remove_all(work);
    std::printf("one simulated hour of the simulator's stream (%ld messages) replayed at 60x for 20 s\n",
                messages);
    std::printf("RESULT replay_open_hour %.0f ms\n", openMs);
    std::printf("RESULT replay_60x_events %.0f events/s\n", perSecond);
    std::printf("RESULT replay_60x_cpu %.1f %%core\n", cpu);
    std::printf("RESULT replay_60x_redraw_latest %.1f ms\n", lateMs);
    return 0;
}
