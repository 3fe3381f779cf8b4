// The alarm journal's figures: what a warning or fault message costs the receiving thread, events a
// second the journal file takes when written a tick's batch at a time (the console's way) and one
// transaction per event (for comparison), the file's size per 100,000 events, and one redraw's
// counts of a 1000-vehicle fleet with a full book. The goal: a 1000-vehicle fleet whose alarm slots
// change 10 times a second each, 10,000 events a second, without delaying the status receive.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "alarm/AlarmWatch.h"
#include "record/Sqlite.h"

namespace {

using Clock = std::chrono::steady_clock;
using kova::AlarmWatch;

constexpr int kVehicles = 1000;

double seconds(Clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

std::vector<std::string> vehicleNames() {
    std::vector<std::string> names;
    for (int i = 0; i < kVehicles; ++i) {
        names.push_back("ohv" + std::to_string(1000 + i));
    }
    return names;
}

// Each message sets a vehicle's warning slots to a code or empties them: one event per message
// (the code in the first slot raised or cleared; the second slot stays empty).
const char* warningValues(long round) {
    return round % 2 == 0 ? "W110/" : "/";
}

std::uintmax_t journalBytes(const std::string& path) {
    kova::record::Database db(path, SQLITE_OPEN_READWRITE);
    db.exec("PRAGMA wal_checkpoint(TRUNCATE);");
    return std::filesystem::file_size(path);
}

// The console's way: messages observed on the receiving side, a batch written at every tick (a
// 200 ms redraw holds 2,000 events at 10,000 a second).
void batched(const std::string& dir) {
    constexpr long kEvents = 100'000;
    constexpr long kPerTick = 2'000;
    const std::string path = dir + "/batched.db";
    AlarmWatch watch(path);
    kova::StatusStore store;
    const auto names = vehicleNames();
    Clock::duration observing{}, writing{};
    std::int64_t nowMs = 1'800'000'000'000;
    for (long done = 0; done < kEvents; done += kPerTick) {
        const auto start = Clock::now();
        for (long i = done; i < done + kPerTick; ++i) {
            watch.observeMessage(names[static_cast<std::size_t>(i % kVehicles)], "501",
                                 warningValues(i / kVehicles), store, nowMs++);
        }
        const auto observed = Clock::now();
        watch.tick();
        writing += Clock::now() - observed;
        observing += observed - start;
    }
    std::printf("RESULT alarm_message_receive_cost %.2f us/message\n", seconds(observing) * 1e6 / kEvents);
    std::printf("RESULT alarm_journal_batched_rate %.0f events/s\n", kEvents / seconds(writing));
    std::printf("RESULT alarm_journal_failed_writes %llu writes\n",
                static_cast<unsigned long long>(watch.failedWrites()));
    std::printf("RESULT alarm_journal_size_per_100k_events %.1f MB\n",
                static_cast<double>(journalBytes(path)) / 1e6 * 100'000 / kEvents);

    // A redraw of the fleet table asks every vehicle's unacknowledged count and flood mark.
    const auto start = Clock::now();
    const auto counts = watch.byVehicle(nowMs);
    std::printf("RESULT alarm_fleet_counts_per_redraw %.2f ms\n", seconds(Clock::now() - start) * 1e3);
    std::printf("RESULT alarm_book_alarms %zu alarms over %zu vehicles\n", watch.journal("").size(), counts.size());
}

// One transaction per event, as a journal written at once would do.
void perEvent(const std::string& dir) {
    constexpr int kEvents = 2'000;
    kova::AlarmBook book;
    kova::AlarmJournal journal;
    journal.open(dir + "/per-event.db", book);
    const auto start = Clock::now();
    for (int i = 0; i < kEvents; ++i) {
        kova::AlarmEvent event = kova::linkEvent(kova::StatusRecord{}, "ohv" + std::to_string(i % kVehicles),
                                                 1'800'000'000'000 + i, (i / kVehicles) % 2 == 0);
        if (const kova::Alarm* alarm = book.apply(event)) {
            journal.record(event, *alarm);
        }
    }
    std::printf("RESULT alarm_journal_per_event_rate %.0f events/s\n", kEvents / seconds(Clock::now() - start));
}

}  // namespace

int main() {
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("kova-alarm-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir);
    batched(dir);
    perEvent(dir);
    std::filesystem::remove_all(dir);
    return 0;
}
