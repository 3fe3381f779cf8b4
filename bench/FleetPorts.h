#pragma once

// Free ports on loopback for the benchmarks that start a simulated fleet.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>

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

}  // namespace kova::bench
