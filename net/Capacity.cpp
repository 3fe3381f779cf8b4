#include "net/Capacity.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <zmq.hpp>

#include "net/Context.h"
#include "net/Subscription.h"

namespace kova {

namespace {

// The console's own sockets (a vehicle's monitor, log window and request socket, with their event
// monitors) and descriptors (terminal, operation and alarm logs, a recording, the context's own
// mailboxes and pollers, a connection being made again), with room to spare.
constexpr int kOwnSockets = 64;
constexpr long kOwnDescriptors = 256;

}  // namespace

CapacityNeed capacityFor(std::size_t subscriptions) {
    const long count = static_cast<long>(subscriptions);
    CapacityNeed need;
    need.sockets =
        static_cast<int>(std::min<long>(count * Subscription::kSocketsEach + kOwnSockets, 1L << 30));
    need.descriptors = count * Subscription::kDescriptorsEach + kOwnDescriptors;
    return need;
}

std::string reserveCapacity(std::size_t subscriptions) {
    const CapacityNeed need = capacityFor(subscriptions);
    const std::string what = std::to_string(subscriptions) + " connections need " +
                             std::to_string(need.descriptors) + " open files";
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return what + ", and the limit on open files cannot be read: " + std::strerror(errno);
    }
    const auto wanted = static_cast<rlim_t>(need.descriptors);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted) {
            return what + ", more than the hard limit of " + std::to_string(limit.rlim_max) +
                   " (raise it: ulimit -n " + std::to_string(need.descriptors) + ")";
        }
        limit.rlim_cur = wanted;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return what + ", and the limit on open files cannot be raised to it: " + std::strerror(errno) +
                   " (ulimit -n " + std::to_string(need.descriptors) + ")";
        }
    }
    try {
        messagingContext().set(zmq::ctxopt::max_sockets, std::max(ZMQ_MAX_SOCKETS_DFLT, need.sockets));
    } catch (const zmq::error_t& e) {
        return what + " and " + std::to_string(need.sockets) +
               " messaging sockets, which cannot be allowed: " + e.what();
    }
    return {};
}

}  // namespace kova
