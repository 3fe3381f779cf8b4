#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include <zmq.hpp>

#include "sim/ActivityLog.h"
#include "sim/ObjectDictionary.h"
#include "sim/PublishSchedule.h"
#include "sim/SimOptions.h"
#include "sim/VehicleModel.h"

namespace kova::sim {

// The simulator's network side: binds the status publisher, the request socket (a ROUTER, so that a
// reply can be held back or dropped as the fault modes need) and the log publisher at the
// protocol's port offsets from the base port, and runs the vehicle model in real time (scaled). One thread
// does everything, so the model needs no lock.
class SimServer {
public:
    // Binds the three sockets; throws zmq::error_t when an endpoint cannot be bound.
    SimServer(const SimOptions& options, ActivityLog& activity);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Serves until `stop` is set (checked at least every 10 ms) or the context is terminated.
    void run(const std::atomic<bool>& stop);

private:
    struct HeldReply {
        std::int64_t dueMs;
        std::vector<std::string> frames;
    };

    bool turn();
    std::int64_t nowMs() const;
    void advanceModel(std::int64_t now);
    void publishDue(std::int64_t now);
    void publishExtras(std::int64_t now);
    void publishEvents();
    void publishLine(const std::string& text, bool debug);
    bool send(zmq::socket_t& socket, const std::vector<std::string>& frames);
    bool waitForRequests(std::int64_t timeoutMs);
    void serveRequests(std::int64_t now);
    void answer(std::vector<std::string> frames, std::int64_t now);
    void sendHeldReplies(std::int64_t now);

    SimOptions options_;
    ActivityLog& activity_;
    zmq::context_t context_;
    zmq::socket_t status_;
    zmq::socket_t requests_;
    zmq::socket_t log_;
    VehicleModel model_;
    LogSwitches switches_;
    ObjectDictionary dictionary_;
    PublishSchedule schedule_;
    std::chrono::steady_clock::time_point start_;
    std::int64_t lastAdvanceMs_ = 0;
    std::int64_t nextDebugMs_ = 1000;
    std::int64_t nextMalformedMs_ = 0;
    bool flooded_ = false;
    double floodCredit_ = 0.0;
    std::int64_t lastExtrasMs_ = 0;
    std::size_t malformedCount_ = 0;
    std::uint64_t published_ = 0;
    std::deque<HeldReply> held_;
};

}  // namespace kova::sim
