#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include <zmq.hpp>

#include "sim/ActivityLog.h"
#include "sim/FleetPlan.h"
#include "sim/SimVehicle.h"

namespace kova::sim {

// The simulator's loop: one ZeroMQ context and one thread for every vehicle of the plan. Each turn
// moves every vehicle on and publishes what is due, then waits (one epoll over every vehicle's request
// and status sockets' signal descriptors) until a request or a subscription comes or the next status
// object is due, and handles what came. Only sockets that signalled are looked at: a zmq_poll over a
// thousand sockets would cost a system call or two for each of them on every turn. No thread per
// vehicle: a fleet of a thousand costs one thread and the context's I/O thread.
class SimServer {
public:
    // Binds every vehicle's sockets, in the plan's order; throws zmq::error_t when an endpoint cannot
    // be bound (the vehicles bound so far are closed again).
    SimServer(const std::vector<VehiclePlan>& plans, ActivityLog& activity);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Serves until `stop` is set (checked at least every 10 ms). Call it from the thread that made the
    // server.
    void run(const std::atomic<bool>& stop);

    // Status messages published so far by all vehicles.
    std::uint64_t published() const;

private:
    void turn();
    std::int64_t nowMs() const;
    void watch(int descriptor, std::uint64_t key);
    void waitAndServe(std::int64_t timeoutMs);

    ActivityLog& activity_;
    zmq::context_t context_;
    std::vector<std::unique_ptr<SimVehicle>> vehicles_;
    int epoll_ = -1;
    std::int64_t stepIntervalMs_ = 0;  // the shortest time between two steps of the vehicles
    std::int64_t nextStepMs_ = 0;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace kova::sim
