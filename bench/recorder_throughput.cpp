// The flight recorder's figures: status messages a second the writer keeps in the file, messages a
// flood of 1,000,000 pushes loses with the default queue, file bytes per message, and the file's
// growth per hour of a stream like the simulated controller's (its objects at their own periods).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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
    } catch (const std::exception& error) {
        std::fprintf(stderr, "recorder_throughput: %s\n", error.what());
        std::filesystem::remove_all(dir);
        return 1;
    }
    std::filesystem::remove_all(dir);
    return 0;
}
