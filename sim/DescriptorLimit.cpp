#include "sim/DescriptorLimit.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstring>

namespace kova::sim {

namespace {

constexpr std::size_t kPerVehicle = 3 * 2 + 4;  // 3 sockets with a mailbox each, a console's connections
constexpr std::size_t kForTheProcess = 64;      // the log file, the context's own, the standard ones

}  // namespace

std::size_t descriptorsNeeded(std::size_t vehicles) {
    return vehicles * kPerVehicle + kForTheProcess;
}

std::string raiseDescriptorLimit(std::size_t needed) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return std::string("cannot read the limit on open files: ") + std::strerror(errno);
    }
    const auto wanted = static_cast<rlim_t>(needed);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) {
        return "";
    }
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted) {
        return "need " + std::to_string(needed) + " open files, more than the hard limit of " +
               std::to_string(limit.rlim_max) + " (raise it: ulimit -n " + std::to_string(needed) + ")";
    }
    limit.rlim_cur = wanted;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return "cannot raise the limit on open files to " + std::to_string(needed) + ": " + std::strerror(errno) +
               " (see ulimit -n)";
    }
    return "";
}

}  // namespace kova::sim
