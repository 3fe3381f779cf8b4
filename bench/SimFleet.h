#pragma once

// What the benchmarks that start a simulated fleet share: free ports on loopback and the simulator's
// process. KOVA_SIM_BINARY and KOVA_FLEET_CONF name the simulator and scripts/fleet-conf.
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace kova::bench {

// Whether a listening socket could bind `port` on 127.0.0.1 now.
inline bool portIsFree(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    const int reuse = 1;  // as ZeroMQ binds: a port some closed connection holds in TIME_WAIT is free
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

// A base port from which the fleet's ports (base + 10 i + 1, 2, 4) are all free now; 0 when none.
// Below 32768 where the fleet fits: the system hands out ports above it to outgoing connections,
// and one of those taken meanwhile would make a bind fail.
inline int freeFleetBase(std::size_t vehicles) {
    std::mt19937 random(std::random_device{}());
    const int span = 10 * static_cast<int>(vehicles);
    std::uniform_int_distribution<int> pick(20000, std::max(20000, (span <= 12000 ? 32768 : 65531) - span));
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int base = pick(random);
        bool free = true;
        for (int port = base; free && port < base + span; port += 10) {
            free = portIsFree(port + 1) && portIsFree(port + 2) && portIsFree(port + 4);
        }
        if (free) {
            return base;
        }
    }
    return 0;
}

// kovaSimOHV serving `vehicles` connections of a conf.json written into `dir` from `basePort` on, with
// `extra` arguments; stopped with SIGTERM and waited for when the object goes.
class SimFleet {
public:
    SimFleet(const std::string& dir, std::size_t vehicles, int basePort, std::vector<std::string> extra = {}) {
        const std::string conf = dir + "/conf.json";
        const std::string make = std::string(KOVA_FLEET_CONF) + " " + std::to_string(vehicles) + " " +
                                 std::to_string(basePort) + " > " + conf;
        if (std::system(make.c_str()) != 0) {
            return;
        }
        std::vector<std::string> args = {KOVA_SIM_BINARY,          "--config", conf, "--vehicles",
                                         std::to_string(vehicles), "--seed",   "1",  "--log",
                                         dir + "/sim.log"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
    }
    ~SimFleet() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    SimFleet(const SimFleet&) = delete;
    SimFleet& operator=(const SimFleet&) = delete;

    pid_t pid() const { return pid_; }
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

}  // namespace kova::bench
