#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include <zmq.hpp>

#include "sim/ActivityLog.h"
#include "sim/FleetPlan.h"
#include "sim/ObjectDictionary.h"
#include "sim/PublishSchedule.h"
#include "sim/StatusSubscriptions.h"
#include "sim/VehicleModel.h"

namespace kova::sim {

// One simulated vehicle on the network: its status publisher (an XPUB, so that it knows which objects
// its subscribers want and encodes only those), its request socket (a ROUTER, so that
// a reply can be held back or dropped as the fault modes need) and its log publisher, bound at the
// protocol's port offsets from its base port, with its own vehicle model, object dictionary and log
// switches. It owns no thread and no clock: the server's loop calls it with the time since the
// server started, always from the one thread that made it, so nothing here needs a lock.
class SimVehicle {
public:
    // Binds the three sockets on `context` (linger 0); throws zmq::error_t when an endpoint cannot be
    // bound. `context` and `activity` must outlive the vehicle.
    SimVehicle(zmq::context_t& context, const VehiclePlan& plan, ActivityLog& activity);
    ~SimVehicle();
    SimVehicle(const SimVehicle&) = delete;
    SimVehicle& operator=(const SimVehicle&) = delete;

    // Moves the vehicle on to `nowMs` and publishes what is due by then: status objects, log lines,
    // floods, malformed messages, held replies. Throws zmq::error_t (EINTR, ETERM) from a send.
    void step(std::int64_t nowMs);
    // Milliseconds from `nowMs` until the next status object is due (0 when one is due already).
    std::int64_t untilNext(std::int64_t nowMs) const { return schedule_.untilNext(nowMs); }
    // Answers every request waiting on the request socket (none: returns at once).
    void serveRequests(std::int64_t nowMs);
    // Takes the subscriptions and unsubscriptions waiting on the status socket.
    void readSubscriptions();

    // The descriptors that signal work for serveRequests() and readSubscriptions() (ZMQ_FD), for the
    // server to wait on; each is quiet again once its call found nothing more. A step that sent on
    // either socket reads it again itself (the status socket at most every 50 ms), since a send may
    // take the signal of a waiting message.
    int requestDescriptor() { return requests_.get(zmq::sockopt::fd); }
    int statusDescriptor() { return status_.get(zmq::sockopt::fd); }
    std::uint64_t published() const { return published_; }

private:
    struct HeldReply {
        std::int64_t dueMs;
        std::vector<std::string> frames;
    };

    void advanceModel(std::int64_t now);
    void publishDue(std::int64_t now);
    void publishExtras(std::int64_t now);
    void publishEvents(std::int64_t now);
    void publishLine(const std::string& text, bool debug);
    void note(const std::string& text);
    bool send(zmq::socket_t& socket, const std::vector<std::string>& frames);
    void answer(std::vector<std::string> frames, std::int64_t now);
    bool sendHeldReplies(std::int64_t now);

    VehiclePlan plan_;
    ActivityLog& activity_;
    zmq::socket_t status_;
    zmq::socket_t requests_;
    zmq::socket_t log_;
    VehicleModel model_;
    LogSwitches switches_;
    ObjectDictionary dictionary_;
    PublishSchedule schedule_;
    StatusSubscriptions subscriptions_;
    std::vector<std::size_t> due_;  // reused by every step
    std::int64_t lastAdvanceMs_ = 0;
    std::int64_t nextDebugMs_ = 1000;
    std::int64_t nextMalformedMs_ = 0;
    bool flooded_ = false;
    double floodCredit_ = 0.0;
    std::int64_t lastExtrasMs_ = 0;
    std::int64_t nextSubscriptionLookMs_ = 0;
    std::size_t malformedCount_ = 0;
    std::uint64_t published_ = 0;
    std::deque<HeldReply> held_;
};

}  // namespace kova::sim
