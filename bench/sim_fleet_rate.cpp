// The simulated fleet's figures: the real kovaSimOHV serving N vehicles from one process (a conf.json
// made by scripts/fleet-conf), with subscribers on a sample of its vehicles. For ~10 s it counts what
// arrives from each sampled vehicle and reads the simulator's CPU time from /proc/<pid>/stat.
//
//   bench_sim_fleet_rate [--flood-rate R] [--sample K] [--prefixes P,Q,...] [N ...]
//        default: N = 50 and 200, no flood, 10 vehicles sampled, each subscribed to everything
//
// Prints, for each N:
//   RESULT sim_fleet_<N>_msgs <status messages a second from the whole fleet> msg/s
//   RESULT sim_fleet_<N>_cpu <the simulator's CPU share> %core
// The fleet rate is the sampled vehicles' mean times N (a vehicle's normal rate is printed beside
// it, and the slowest sampled vehicle too, so a fleet that falls behind shows). The simulator encodes
// only what some subscriber wants, so the CPU share is that of N vehicles of which the sampled ones
// are watched whole; --sample N watches every vehicle (then this process, not the simulator, is
// usually what falls behind on two cores). --prefixes subscribes the sampled vehicles to those
// subscription prefixes only (as the console's fleet table does), and the names gain "_prefixes". With --flood-rate R the
// first vehicle publishes R extra messages a second as well; it is subscribed to on its own, its
// messages are added to the fleet's whole, and the names gain "_flood".
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>

#include "SimFleet.h"
#include "sim/StatusObjects.h"

namespace {

using kova::bench::freeFleetBase;
using kova::bench::SimFleet;

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::size_t sampleSize = 10;
std::vector<std::string> prefixes = {""};  // what every sampled vehicle is subscribed to
constexpr auto kMeasureFor = 10s;

// A fresh folder under /tmp, removed with what it holds when the object goes.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/kova-bench-fleet-XXXXXX";
        path_ = mkdtemp(pattern) != nullptr ? pattern : "";
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A vehicle's normal status rate, from the simulator's own publishing table.
// A vehicle's normal status rate, from the simulator's own publishing table, of the objects the
// prefixes take.
double normalRatePerVehicle() {
    double rate = 0.0;
    for (const auto& object : kova::sim::publishedObjects()) {
        const std::string index = std::to_string(object.index);
        if (std::any_of(prefixes.begin(), prefixes.end(),
                        [&](const std::string& prefix) { return index.rfind(prefix, 0) == 0; })) {
            rate += 1000.0 / object.periodMs;
        }
    }
    return rate;
}

// User plus system CPU ticks of a process, or -1.
long cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {  // fields 14 and 15: utime, stime
        if (i == 14) {
            utime = std::stol(field);
        } else if (i == 15) {
            stime = std::stol(field);
        }
    }
    return utime + stime;
}

// The vehicles to subscribe to: up to sampleSize spread evenly over the fleet, the first (the
// flooding one) left out when `skipFirst`.
std::vector<std::size_t> sample(std::size_t vehicles, bool skipFirst) {
    const std::size_t first = skipFirst ? 1 : 0;
    const std::size_t available = vehicles - first;
    const std::size_t count = std::min(sampleSize, available);
    std::vector<std::size_t> picked;
    for (std::size_t i = 0; i < count; ++i) {
        picked.push_back(first + (count == 1 ? 0 : i * (available - 1) / (count - 1)));
    }
    return picked;
}

struct Counts {
    std::vector<std::uint64_t> perSocket;
};

// Receives on every socket until `until`; counts messages per socket.
void countUntil(std::vector<zmq::socket_t>& sockets, Counts& counts, Clock::time_point until) {
    std::vector<zmq::pollitem_t> items;
    for (auto& socket : sockets) {
        items.push_back({socket.handle(), 0, ZMQ_POLLIN, 0});
    }
    zmq::message_t frame;
    while (Clock::now() < until) {
        zmq::poll(items, 50ms);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!(items[i].revents & ZMQ_POLLIN)) {
                continue;
            }
            while (sockets[i].recv(frame, zmq::recv_flags::dontwait)) {
                if (!frame.more()) {
                    ++counts.perSocket[i];
                }
            }
        }
    }
}

void measure(std::size_t vehicles, double floodRate) {
    const bool flooding = floodRate > 0.0;
    const std::string name = "sim_fleet_" + std::to_string(vehicles) + (flooding ? "_flood" : "") +
                             (prefixes.size() == 1 && prefixes[0].empty() ? "" : "_prefixes");
    TempDir dir;
    const int base = freeFleetBase(vehicles);
    if (dir.path().empty() || base == 0) {
        std::printf("%s: no temporary folder or no free ports\n", name.c_str());
        return;
    }
    {
        SimFleet fleet(dir.path(), vehicles, base,
                       floodRate > 0.0 ? std::vector<std::string>{"--flood-rate", std::to_string(floodRate)}
                                       : std::vector<std::string>{});
        if (fleet.pid() <= 0) {
            std::printf("%s: simulator not started\n", name.c_str());
            return;
        }
        zmq::context_t context;
        std::vector<std::size_t> picked = sample(vehicles, flooding);
        if (flooding) {
            picked.push_back(0);  // last socket: the flooding vehicle
        }
        std::vector<zmq::socket_t> sockets;
        for (std::size_t vehicle : picked) {
            zmq::socket_t& socket = sockets.emplace_back(context, zmq::socket_type::sub);
            socket.set(zmq::sockopt::linger, 0);
            socket.set(zmq::sockopt::rcvhwm, 0);
            for (const std::string& prefix : prefixes) {
                socket.set(zmq::sockopt::subscribe, prefix);
            }
            socket.connect("tcp://127.0.0.1:" + std::to_string(base + 10 * static_cast<int>(vehicle) + 1));
        }
        // Warm-up: every sampled vehicle publishing and its subscription in place.
        Counts warm{std::vector<std::uint64_t>(sockets.size(), 0)};
        const auto warmDeadline = Clock::now() + 20s;
        while (Clock::now() < warmDeadline &&
               std::count(warm.perSocket.begin(), warm.perSocket.end(), 0u) > 0) {
            countUntil(sockets, warm, Clock::now() + 100ms);
        }
        if (std::count(warm.perSocket.begin(), warm.perSocket.end(), 0u) > 0) {
            std::printf("%s: not every sampled vehicle published within 20 s\n", name.c_str());
            return;
        }
        countUntil(sockets, warm, Clock::now() + 1s);
        Counts counts{std::vector<std::uint64_t>(sockets.size(), 0)};
        const long ticks0 = cpuTicks(fleet.pid());
        const auto start = Clock::now();
        countUntil(sockets, counts, start + kMeasureFor);
        const long ticks1 = cpuTicks(fleet.pid());
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

        const std::size_t normalSockets = picked.size() - (flooding ? 1 : 0);
        const std::size_t normalVehicles = vehicles - (flooding ? 1 : 0);
        std::uint64_t normalTotal = 0;
        std::uint64_t slowest = UINT64_MAX;
        for (std::size_t i = 0; i < normalSockets; ++i) {
            normalTotal += counts.perSocket[i];
            slowest = std::min(slowest, counts.perSocket[i]);
        }
        const double perVehicle = normalSockets == 0 ? 0.0 : normalTotal / elapsed / normalSockets;
        const double floodVehicleRate = flooding ? counts.perSocket.back() / elapsed : 0.0;
        const double fleetRate = perVehicle * normalVehicles + floodVehicleRate;
        const double cpu = 100.0 * (ticks1 - ticks0) / sysconf(_SC_CLK_TCK) / elapsed;
        std::printf("%zu vehicles%s, %zu sampled, %.1f s: %.1f msg/s per vehicle (normal %.0f), slowest %.1f",
                    vehicles, flooding ? " (one flooding)" : "", normalSockets, elapsed, perVehicle,
                    normalRatePerVehicle(), normalSockets == 0 ? 0.0 : slowest / elapsed);
        if (flooding) {
            std::printf(", flooding vehicle %.0f msg/s", floodVehicleRate);
        }
        std::printf("\n");
        std::printf("RESULT %s_msgs %.0f msg/s\n", name.c_str(), fleetRate);
        std::printf("RESULT %s_cpu %.1f %%core\n", name.c_str(), cpu);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    double floodRate = 0.0;
    std::vector<std::size_t> counts;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--flood-rate" && i + 1 < argc) {
            floodRate = std::atof(argv[++i]);
        } else if (arg == "--prefixes" && i + 1 < argc) {
            prefixes.clear();
            std::istringstream list(argv[++i]);
            for (std::string prefix; std::getline(list, prefix, ',');) {
                prefixes.push_back(prefix);
            }
        } else if (arg == "--sample" && i + 1 < argc) {
            sampleSize = static_cast<std::size_t>(std::max(1L, std::atol(argv[++i])));
        } else if (const long n = std::atol(arg.c_str()); n > 0 && n <= 2000) {
            counts.push_back(static_cast<std::size_t>(n));
        } else {
            std::fprintf(stderr, "usage: %s [--flood-rate R] [--sample K] [--prefixes P,Q,...] [N ...]\n", argv[0]);
            return 2;
        }
    }
    if (counts.empty()) {
        counts = {50, 200};
    }
    for (std::size_t n : counts) {
        measure(n, floodRate);
    }
    return 0;
}
