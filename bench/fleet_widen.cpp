// Widening a fleet vehicle's status stream, against the real kovaSimOHV serving N vehicles: how long
// from the widen request until the vehicle's record holds every object the simulator publishes, and
// what receiving the fleet costs with every stream narrowed to the table's objects against every
// stream whole (as the fleet received before it was narrowed).
//
//   bench_fleet_widen [N ...]     default: N = 200
//
// Prints, for each N:
//   RESULT fleet_widen_<N>_median <median of the trials> ms      (goal: under 300 ms)
//   RESULT fleet_widen_<N>_max <slowest trial> ms
//   RESULT fleet_receive_<N>_narrow_cpu <receiving thread's CPU share, narrowed> %core
//   RESULT fleet_receive_<N>_wide_cpu <the same, every stream whole> %core
// with the rates of messages stored beside them. The simulator's own CPU is not counted (it is
// another process); where it cannot publish a fleet's whole streams, the wide rate shows it.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fleet/FleetObjects.h"
#include "fleet/FleetReceiver.h"
#include "net/Capacity.h"
#include "net/Context.h"
#include "SimFleet.h"
#include "sim/StatusObjects.h"

namespace {

using kova::bench::freeFleetBase;
using kova::bench::SimFleet;

using namespace kova;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kTrials = 10;
constexpr auto kCpuFor = 5s;

// The simulator serving `vehicles` connections of a conf.json written into a fresh folder.
class Simulator {
public:
    Simulator(std::size_t vehicles, int base) {
        char pattern[] = "/tmp/kova-bench-widen-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            return;
        }
        dir_ = pattern;
        fleet_ = std::make_unique<SimFleet>(dir_, vehicles, base);
    }
    ~Simulator() {
        fleet_.reset();  // stopped before its folder goes
        std::error_code ignored;
        if (!dir_.empty()) {
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;
    bool started() const { return fleet_ && fleet_->started(); }

private:
    std::string dir_;
    std::unique_ptr<SimFleet> fleet_;
};

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Status messages stored so far, by whichever receiver runs.
std::atomic<std::uint64_t> stored{0};

struct Share {
    double cpu = 0.0;   // % of one core
    double rate = 0.0;  // messages stored a second
};

// The process's CPU share over `span`, while only the receiving thread works, and the rate it stored.
Share measureShare(std::chrono::seconds span) {
    const double before = processCpuSeconds();
    const std::uint64_t storedBefore = stored;
    const auto start = Clock::now();
    std::this_thread::sleep_for(span);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return {100.0 * (processCpuSeconds() - before) / elapsed, (stored - storedBefore) / elapsed};
}

std::vector<ConnectionEntry> entries(std::size_t vehicles, int base) {
    std::vector<ConnectionEntry> list;
    for (std::size_t i = 0; i < vehicles; ++i) {
        list.push_back(
            {ControllerAddress{"ohv" + std::to_string(i + 1), "127.0.0.1", base + 10 * static_cast<int>(i)},
             ""});
    }
    return list;
}

// Which objects of the measured vehicle arrived since its widen request, and when the last missing
// one did.
class Completion {
public:
    void start(std::size_t vehicle) {
        std::lock_guard<std::mutex> lock(mutex_);
        missing_.clear();
        for (const sim::PublishedObject& object : sim::publishedObjects()) {
            if (std::find(kFleetTableObjects.begin(), kFleetTableObjects.end(), object.index) ==
                kFleetTableObjects.end()) {
                missing_.insert(std::to_string(object.index));  // the table's are held already
            }
        }
        done_ = Clock::time_point{};
        vehicle_ = vehicle;
    }
    void heard(std::size_t vehicle, const zmq::multipart_t& message) {
        if (vehicle != vehicle_.load(std::memory_order_relaxed)) {
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (missing_.erase(message[0].to_string()) > 0 && missing_.empty()) {
            done_ = Clock::now();
        }
    }
    Clock::time_point done() {
        std::lock_guard<std::mutex> lock(mutex_);
        return done_;
    }

private:
    std::atomic<std::size_t> vehicle_{SIZE_MAX};
    std::mutex mutex_;
    std::set<std::string> missing_;
    Clock::time_point done_{};
};

// Every stream whole, received as the fleet receiver receives (a poll, a gather, a budget per
// stream), into a record per vehicle.
Share wideShare(zmq::context_t& context, const std::vector<ConnectionEntry>& list) {
    std::vector<std::unique_ptr<Subscription>> subscriptions;
    std::vector<std::unique_ptr<StatusStore>> stores;
    for (const ConnectionEntry& entry : list) {
        subscriptions.push_back(std::make_unique<Subscription>(
            context, entry.address.endpoint(1), "Network status " + entry.address.name, kStatusLimits));
        stores.push_back(std::make_unique<StatusStore>());
    }
    std::atomic<bool> running{true};
    std::thread receiving([&] {
        std::vector<zmq::pollitem_t> items;
        for (auto& subscription : subscriptions) {
            items.push_back({subscription->socketHandle(), 0, ZMQ_POLLIN, 0});
        }
        bool flowing = false;
        while (running) {
            if (flowing) {
                std::this_thread::sleep_for(FleetReceiver::kGather);
            } else if (zmq::poll(items.data(), items.size(), 200ms) == 0) {
                continue;
            }
            flowing = false;
            for (std::size_t i = 0; i < subscriptions.size(); ++i) {
                StatusStore& store = *stores[i];
                flowing = subscriptions[i]->take(
                              FleetReceiver::kBudget,
                              [&store](zmq::multipart_t& message) {
                                  ++stored;
                                  storeStatusMessage(message, store);
                              },
                              [](const std::string&) {}) > 0 ||
                          flowing;
            }
        }
    });
    std::this_thread::sleep_for(2s);  // every stream joined
    const Share share = measureShare(kCpuFor);
    running = false;
    receiving.join();
    return share;
}

void measure(std::size_t vehicles) {
    const std::string n = std::to_string(vehicles);
    const int base = freeFleetBase(vehicles);
    Simulator simulator(vehicles, base);
    if (base == 0 || !simulator.started()) {
        std::printf("fleet_widen_%s: no free ports or simulator not started\n", n.c_str());
        return;
    }
    const std::vector<ConnectionEntry> list = entries(vehicles, base);
    zmq::context_t& context = messagingContext();
    std::vector<double> trials;
    Share narrow;
    {
        FleetReceiver receiver(context, list);
        Completion completion;
        receiver.onReceived([&](std::size_t i, const zmq::multipart_t& message) {
            ++stored;
            completion.heard(i, message);
        });
        std::atomic<bool> running{true};
        std::thread receiving([&] { receiver.run(running, [](const std::string&) {}); });
        const auto deadline = Clock::now() + 30s;
        for (std::size_t i = 0; i < vehicles; ++i) {
            while (!receiver.store(i).newestArrival() && Clock::now() < deadline) {
                std::this_thread::sleep_for(50ms);
            }
        }
        narrow = measureShare(kCpuFor);
        for (int t = 0; t < kTrials; ++t) {
            const std::size_t vehicle = static_cast<std::size_t>(t) * vehicles / kTrials;
            completion.start(vehicle);
            const auto asked = Clock::now();
            receiver.widen(vehicle);
            while (completion.done() == Clock::time_point{} && Clock::now() < asked + 3s) {
                std::this_thread::sleep_for(1ms);
            }
            const auto done = completion.done();
            trials.push_back(done == Clock::time_point{}
                                 ? 3000.0
                                 : std::chrono::duration<double, std::milli>(done - asked).count());
            receiver.narrow();
            std::this_thread::sleep_for(300ms);
        }
        running = false;
        receiving.join();
    }
    const Share wide = wideShare(context, list);
    std::sort(trials.begin(), trials.end());
    std::printf("%zu vehicles, %d widenings: %.0f .. %.0f ms to a complete record\n", vehicles, kTrials,
                trials.front(), trials.back());
    std::printf("RESULT fleet_widen_%s_median %.0f ms\n", n.c_str(), trials[trials.size() / 2]);
    std::printf("RESULT fleet_widen_%s_max %.0f ms\n", n.c_str(), trials.back());
    std::printf("narrowed: %.0f msg/s stored, whole streams: %.0f msg/s stored\n", narrow.rate, wide.rate);
    std::printf("RESULT fleet_receive_%s_narrow_cpu %.1f %%core\n", n.c_str(), narrow.cpu);
    std::printf("RESULT fleet_receive_%s_wide_cpu %.1f %%core\n", n.c_str(), wide.cpu);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> counts;
    for (int i = 1; i < argc; ++i) {
        const long n = std::atol(argv[i]);
        if (n <= 0 || n > 2000) {
            std::fprintf(stderr, "usage: %s [N ...]   (1 to 2000 vehicles each)\n", argv[0]);
            return 2;
        }
        counts.push_back(static_cast<std::size_t>(n));
    }
    if (counts.empty()) {
        counts = {200};
    }
    // Room for the largest fleet twice over: the sockets of one measurement are let go while the
    // next one's are made.
    const std::string room = reserveCapacity(2 * *std::max_element(counts.begin(), counts.end()));
    if (!room.empty()) {
        std::fprintf(stderr, "%s\n", room.c_str());
        return 2;
    }
    for (std::size_t vehicles : counts) {
        measure(vehicles);
    }
    return 0;
}
