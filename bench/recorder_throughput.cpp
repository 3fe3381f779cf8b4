// The flight recorder's figures: status messages a second the writer keeps in the file, messages a
// flood of 1,000,000 pushes loses with the default queue, file bytes per message, and the file's
// growth per hour of a stream like the simulated controller's (its objects at their own periods), and
// the same for a fleet of 1000 vehicles recorded whole while the table narrows each stream to the
// seven objects it shows, pushed at their real pace into the queue a fleet recording gets.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "protocol/ObjectIndex.h"
#include "record/RecordWriter.h"
#include "sim/StatusObjects.h"

namespace {

using kova::record::Frames;
using kova::record::RecordWriter;
using Clock = std::chrono::steady_clock;

const kova::record::SessionInfo kSession{"bench", "bench", "127.0.0.1", 5550, {}};

// Typical status messages: an object index and a short value text.
const std::vector<Frames> kTypical = {
    {"4034", "14987"}, {"4035", "15000"},         {"7120", "1234567"}, {"3009", "12/7/1"},
    {"111", "4"},      {"7028", "1499.8/1500.3"}, {"7030", "480/470"}, {"3037", "123450/23450/100000"},
};

double seconds(Clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

// Pushes `count` typical messages as fast as one thread can into a queue big enough for all of them;
// the rate is how fast the writer gets them into the file, closing included.
void sustained(const std::string& dir) {
    constexpr std::size_t kCount = 300000;
    const std::string path = dir + "/sustained.kovarec";
    RecordWriter writer(kCount);
    writer.open(path, false, kSession);
    const auto start = Clock::now();
    const std::int64_t t0 = RecordWriter::nowNs();
    for (std::size_t i = 0; i < kCount; ++i) {
        writer.recordStatus(t0 + static_cast<std::int64_t>(i) * 1000, kTypical[i % kTypical.size()]);
    }
    writer.close();
    const double elapsed = seconds(Clock::now() - start);
    std::printf("RESULT recorder_sustained_rate %.0f msg/s\n", kCount / elapsed);
    std::printf("RESULT recorder_sustained_dropped %llu messages\n",
                static_cast<unsigned long long>(writer.droppedCount()));
    std::printf("RESULT recorder_bytes_per_status_message %.1f B\n",
                static_cast<double>(std::filesystem::file_size(path)) / kCount);
}

// Two producers push 1,000,000 messages between them as fast as they can into the default queue.
void flood(const std::string& dir) {
    constexpr std::size_t kPerProducer = 500000;
    RecordWriter writer;
    writer.open(dir + "/flood.kovarec", false, kSession);
    const auto start = Clock::now();
    auto produce = [&writer](std::int64_t offset) {
        const std::int64_t t0 = RecordWriter::nowNs();
        for (std::size_t i = 0; i < kPerProducer; ++i) {
            writer.recordStatus(t0 + offset + static_cast<std::int64_t>(i) * 2,
                                kTypical[i % kTypical.size()]);
        }
    };
    std::thread first(produce, 0);
    std::thread second(produce, 1);
    first.join();
    second.join();
    const double pushing = seconds(Clock::now() - start);
    writer.close();
    std::printf("RESULT recorder_flood_push_rate %.0f msg/s\n", 2 * kPerProducer / pushing);
    std::printf("RESULT recorder_flood_dropped %llu messages\n",
                static_cast<unsigned long long>(writer.droppedCount()));
}

// Ten minutes of the simulated controller's stream, every object at its own period, recorded as
// fast as possible with receive times as they would have been; the file size scaled to an hour.
void simulatedHour(const std::string& dir) {
    const auto& objects = kova::sim::publishedObjects();
    double rate = 0.0;
    for (const auto& object : objects) {
        rate += 1000.0 / object.periodMs;
    }
    constexpr int kMinutes = 10;
    const std::string path = dir + "/hour.kovarec";
    // A queue that holds the whole run, so that none of it is dropped however fast it is pushed.
    RecordWriter writer(static_cast<std::size_t>(rate * 60 * kMinutes) + objects.size());
    writer.open(path, false, kSession);
    kova::sim::VehicleStatus status;
    status.operationState = 4;
    std::size_t messages = 0;
    const std::int64_t t0 = RecordWriter::nowNs();
    for (int ms = 0; ms < kMinutes * 60 * 1000; ms += 10) {
        status.actualVelocity = 14000 + ms % 997;
        status.targetVelocity = 15000;
        status.cameraPosition = 120000 + ms * 15 / 10;
        status.frontPosition = ms * 3;
        status.runTime = ms * 1000;
        for (const auto& object : objects) {
            if (ms % object.periodMs == 0) {
                writer.recordStatus(
                    t0 + ms * 1'000'000LL + static_cast<std::int64_t>(messages % 40) * 10'000,
                    {std::to_string(object.index), *kova::sim::statusValues(status, object.index)});
                ++messages;
            }
        }
    }
    writer.close();
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    std::printf("RESULT recorder_sim_stream_rate %.0f msg/s\n", rate);
    std::printf("RESULT recorder_sim_bytes_per_message %.1f B\n", bytes / static_cast<double>(messages));
    std::printf("RESULT recorder_sim_file_per_hour %.0f MB\n", bytes * (60.0 / kMinutes) / 1e6);
    std::printf("RESULT recorder_sim_dropped %llu messages\n",
                static_cast<unsigned long long>(writer.droppedCount()));
}

// 1000 vehicles, each publishing the table's seven objects at the simulator's periods, pushed in real
// time for kSeconds from the one receiving thread (as the fleet receiver does) into a queue of the
// size the console gives a recording of 1000 vehicles (64 messages a vehicle). The writer keeps up
// when nothing is dropped; the file's growth is scaled to an hour.
void fleetPaced(const std::string& dir) {
    namespace object = kova::protocol::object;
    constexpr int kVehicles = 1000;
    constexpr int kSeconds = 10;
    std::vector<kova::sim::PublishedObject> table;
    for (const auto& published : kova::sim::publishedObjects()) {
        for (int index : {object::kOperationState, object::kOperationStatus, object::kCurrentPosition,
                          object::kGoal, object::kActualVelocity, object::kAlarmWarning, object::kAlarmFault}) {
            if (published.index == index) {
                table.push_back(published);
            }
        }
    }
    kova::record::SessionInfo session{"bench", "fleet", "conf.json", 0};
    for (int v = 0; v < kVehicles; ++v) {
        session.vehicles.push_back({"OHV-" + std::to_string(1000 + v), "10.0.3." + std::to_string(v % 250), 5550});
    }
    const std::string path = dir + "/fleet.kovarec";
    RecordWriter writer(static_cast<std::size_t>(kVehicles) * 64);
    writer.open(path, false, session);
    kova::sim::VehicleStatus status;
    status.operationState = 4;
    std::size_t messages = 0;
    const auto start = Clock::now();
    // Every 10 ms, the messages due in it (the vehicles spread over the period).
    for (int ms = 0; ms < kSeconds * 1000; ms += 10) {
        for (const auto& objectDue : table) {
            const int perTick = kVehicles * 10 / objectDue.periodMs;  // vehicles whose message is due now
            const int first = (ms / 10 * perTick) % kVehicles;
            const std::string value = *kova::sim::statusValues(status, objectDue.index);
            for (int k = 0; k < perTick; ++k) {
                const std::int64_t ns = RecordWriter::nowNs();
                if (writer.hasRoom()) {
                    writer.recordStatus(ns, {std::to_string(objectDue.index), value}, (first + k) % kVehicles);
                } else {
                    writer.dropStatus(ns);
                }
                ++messages;
            }
        }
        std::this_thread::sleep_until(start + std::chrono::milliseconds(ms + 10));
    }
    writer.close();
    const double elapsed = seconds(Clock::now() - start);
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    std::printf("RESULT recorder_fleet1000_offered_rate %.0f msg/s\n", static_cast<double>(messages) / kSeconds);
    std::printf("RESULT recorder_fleet1000_dropped %llu messages of %zu\n",
                static_cast<unsigned long long>(writer.droppedCount()), messages);
    std::printf("RESULT recorder_fleet1000_close_after %.2f s\n", elapsed - kSeconds);
    std::printf("RESULT recorder_fleet1000_bytes_per_message %.1f B\n", bytes / static_cast<double>(messages));
    std::printf("RESULT recorder_fleet1000_file_per_hour %.0f MB\n", bytes * (3600.0 / kSeconds) / 1e6);
}

}  // namespace

int main() {
    char pattern[] = "/tmp/kova-bench-record-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    try {
        sustained(dir);
        flood(dir);
        simulatedHour(dir);
        fleetPaced(dir);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "recorder_throughput: %s\n", error.what());
        std::filesystem::remove_all(dir);
        return 1;
    }
    std::filesystem::remove_all(dir);
    return 0;
}
