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
// moves every vehicle on and publishes what is due, then waits on all request sockets at once (one
// poll) until a request comes or the next status object is due, and answers what came. No thread per
// vehicle: a fleet of hundreds costs one thread and the context's I/O thread.
class SimServer {
public:
    // Binds every vehicle's sockets, in the plan's order; throws zmq::error_t when an endpoint cannot
    // be bound (the vehicles bound so far are closed again).
    SimServer(const std::vector<VehiclePlan>& plans, ActivityLog& activity);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Serves until `stop` is set (checked at least every 10 ms) or the context is terminated. Call it
    // from the thread that made the server.
    void run(const std::atomic<bool>& stop);

    // Status messages published so far by all vehicles.
    std::uint64_t published() const;

private:
    bool turn();
    std::int64_t nowMs() const;
    bool waitForRequests(std::int64_t timeoutMs);

    ActivityLog& activity_;
    zmq::context_t context_;
    std::vector<std::unique_ptr<SimVehicle>> vehicles_;
    std::vector<zmq_pollitem_t> requestItems_;
    std::int64_t stepIntervalMs_ = 0;  // the shortest time between two steps of the vehicles
    std::int64_t nextStepMs_ = 0;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace kova::sim
