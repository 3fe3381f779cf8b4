#include "sim/SimServer.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace kova::sim {

namespace {

constexpr std::int64_t kTickMs = 10;  // the stop flag is looked at least this often
constexpr int kSocketsPerVehicle = 3;
constexpr int kSpareSockets = 16;
constexpr std::int64_t kFleetStepMs = 50;
constexpr int kEventsPerWait = 256;

// What an epoll event names: the vehicle's position times two, plus one for its status socket.
std::uint64_t eventKey(std::size_t vehicle, bool status) {
    return vehicle * 2 + (status ? 1 : 0);
}

// The shortest time between two steps of the vehicles. A lone vehicle steps whenever one of its
// objects is due, as precisely as it can. Many vehicles together have something due nearly every
// millisecond, and every step of a vehicle that sends costs a few system calls inside ZeroMQ (a send
// checks the socket's mailbox and wakes the I/O thread, which writes to each connection apart): a
// fleet steps every 50 ms and publishes what came due meanwhile, in one write per connection. An
// object's period stays exact on average; single messages come up to 50 ms late, which no screen
// redrawn five times a second shows. (At 1000 vehicles each sending a few objects a step, the
// process's CPU went from 80 % of a core at 10 ms to 63 % at 25 ms and 41 % at 50 ms.)
std::int64_t stepIntervalMs(std::size_t vehicles) {
    return vehicles <= 1 ? 0 : kFleetStepMs;
}

}  // namespace

SimServer::SimServer(const std::vector<VehiclePlan>& plans, ActivityLog& activity)
    : activity_(activity), stepIntervalMs_(stepIntervalMs(plans.size())) {
    context_.set(
        zmq::ctxopt::max_sockets,
        std::max(ZMQ_MAX_SOCKETS_DFLT, static_cast<int>(plans.size()) * kSocketsPerVehicle + kSpareSockets));
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) {
        throw std::system_error(errno, std::generic_category(), "epoll_create1");
    }
    vehicles_.reserve(plans.size());
    try {
        for (const VehiclePlan& plan : plans) {
            vehicles_.push_back(std::make_unique<SimVehicle>(context_, plan, activity_));
            watch(vehicles_.back()->requestDescriptor(), eventKey(vehicles_.size() - 1, false));
            watch(vehicles_.back()->statusDescriptor(), eventKey(vehicles_.size() - 1, true));
        }
    } catch (...) {
        vehicles_.clear();
        close(epoll_);
        throw;
    }
    start_ = std::chrono::steady_clock::now();
}

SimServer::~SimServer() {
    vehicles_.clear();  // every socket closed (linger 0) before the context goes
    close(epoll_);
}

void SimServer::watch(int descriptor, std::uint64_t key) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = key;
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, descriptor, &event) != 0) {
        throw std::system_error(errno, std::generic_category(), "epoll_ctl");
    }
}

std::int64_t SimServer::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_)
        .count();
}

std::uint64_t SimServer::published() const {
    std::uint64_t total = 0;
    for (const auto& vehicle : vehicles_) {
        total += vehicle->published();
    }
    return total;
}

void SimServer::run(const std::atomic<bool>& stop) {
    while (!stop.load()) {
        try {
            turn();
        } catch (const zmq::error_t& error) {
            if (error.num() != EINTR) {  // a signal during a send or receive: look at the stop flag
                throw;
            }
        }
    }
    activity_.info("stopping after " + std::to_string(published()) + " status messages");
}

// One turn of the loop: move every vehicle on and publish what is due (a fleet at most every
// stepIntervalMs_), then wait for requests and subscriptions until the next object or step is due, and
// handle what came; a request does not make the whole fleet step again.
void SimServer::turn() {
    const std::int64_t now = nowMs();
    if (now >= nextStepMs_) {
        for (const auto& vehicle : vehicles_) {
            vehicle->step(now);
        }
        nextStepMs_ = now + stepIntervalMs_;
    }
    const std::int64_t after = nowMs();
    std::int64_t wait = std::clamp<std::int64_t>(nextStepMs_ - after, 0, kTickMs);
    if (stepIntervalMs_ == 0 && !vehicles_.empty()) {  // a lone vehicle steps when its next object is due
        wait = std::min(kTickMs, vehicles_.front()->untilNext(after));
    }
    waitAndServe(wait);
}

// Waits up to `timeoutMs` for a vehicle's socket to signal, and answers its requests or reads its
// subscriptions. A signal (EINTR) ends the wait early; the caller looks at its stop flag.
void SimServer::waitAndServe(std::int64_t timeoutMs) {
    epoll_event events[kEventsPerWait];
    const int ready = epoll_wait(epoll_, events, kEventsPerWait, static_cast<int>(timeoutMs));
    if (ready <= 0) {
        return;
    }
    const std::int64_t served = nowMs();
    for (int i = 0; i < ready; ++i) {
        SimVehicle& vehicle = *vehicles_[events[i].data.u64 / 2];
        if (events[i].data.u64 % 2 == 1) {
            vehicle.readSubscriptions();
        } else {
            vehicle.serveRequests(served);
        }
    }
}

}  // namespace kova::sim
