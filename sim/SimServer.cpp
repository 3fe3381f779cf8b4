#include "sim/SimServer.h"

#include <algorithm>
#include <cerrno>

namespace kova::sim {

namespace {

constexpr std::int64_t kTickMs = 10;  // the stop flag is looked at least this often
constexpr int kSocketsPerVehicle = 3;
constexpr int kSpareSockets = 16;
constexpr std::int64_t kFleetStepMs = 10;

// The shortest time between two steps of the vehicles. A lone vehicle steps whenever one of its
// objects is due, as precisely as it can. Many vehicles together have something due nearly every
// millisecond, and every step of a vehicle costs a few system calls inside ZeroMQ (a send checks the
// socket's mailbox, a poll checks every socket's): a fleet steps every 10 ms and publishes what came
// due meanwhile. An object's period stays exact on average; single messages come up to 10 ms late.
std::int64_t stepIntervalMs(std::size_t vehicles) {
    return vehicles <= 1 ? 0 : kFleetStepMs;
}

}  // namespace

SimServer::SimServer(const std::vector<VehiclePlan>& plans, ActivityLog& activity)
    : activity_(activity), stepIntervalMs_(stepIntervalMs(plans.size())) {
    context_.set(
        zmq::ctxopt::max_sockets,
        std::max(ZMQ_MAX_SOCKETS_DFLT, static_cast<int>(plans.size()) * kSocketsPerVehicle + kSpareSockets));
    vehicles_.reserve(plans.size());
    for (const VehiclePlan& plan : plans) {
        vehicles_.push_back(std::make_unique<SimVehicle>(context_, plan, activity_));
        requestItems_.push_back({static_cast<void*>(vehicles_.back()->requestSocket()), 0, ZMQ_POLLIN, 0});
    }
    start_ = std::chrono::steady_clock::now();
}

SimServer::~SimServer() {
    vehicles_.clear();  // every socket closed (linger 0) before the context goes
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
    bool serving = true;
    while (serving && !stop.load()) {
        try {
            serving = turn();
        } catch (const zmq::error_t& error) {
            if (error.num() != EINTR) {  // a signal during a send or receive: look at the stop flag
                throw;
            }
        }
    }
    activity_.info("stopping after " + std::to_string(published()) + " status messages");
}

// One turn of the loop: move every vehicle on and publish what is due (a fleet at most every
// stepIntervalMs_), then wait for requests until the next object or step is due, and answer what
// came; a request does not make the whole fleet step again. Returns false when the context was
// terminated.
bool SimServer::turn() {
    const std::int64_t now = nowMs();
    if (now >= nextStepMs_) {
        for (const auto& vehicle : vehicles_) {
            vehicle->step(now);
        }
        nextStepMs_ = now + stepIntervalMs_;
    }
    const std::int64_t after = nowMs();
    std::int64_t wait = std::max<std::int64_t>(0, nextStepMs_ - after);
    if (stepIntervalMs_ == 0 && !vehicles_.empty()) {  // a lone vehicle steps when its next object is due
        wait = std::min(kTickMs, vehicles_.front()->untilNext(after));
    }
    if (!waitForRequests(wait)) {
        return false;
    }
    const std::int64_t served = nowMs();
    for (std::size_t i = 0; i < vehicles_.size(); ++i) {
        if (requestItems_[i].revents & ZMQ_POLLIN) {
            vehicles_[i]->serveRequests(served);
        }
    }
    return true;
}

// Waits up to `timeoutMs` for a request on any vehicle. Returns false when the context was terminated.
bool SimServer::waitForRequests(std::int64_t timeoutMs) {
    if (zmq_poll(requestItems_.data(), static_cast<int>(requestItems_.size()), static_cast<long>(timeoutMs)) <
        0) {
        for (auto& item : requestItems_) {
            item.revents = 0;
        }
        return zmq_errno() != ETERM;  // EINTR: a signal arrived; the caller looks at its stop flag
    }
    return true;
}

}  // namespace kova::sim
