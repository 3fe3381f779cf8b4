#include "sim/SimVehicle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "protocol/Endpoints.h"
#include "sim/MalformedFrames.h"
#include "sim/StatusObjects.h"

namespace kova::sim {

namespace {

constexpr double kModelStep = 0.01;          // simulated seconds per model step, at most
constexpr std::int64_t kMaxCatchUpMs = 200;  // a stalled loop does not make the vehicle jump
constexpr std::int64_t kMalformedEveryMs = 300;
constexpr int kFloodHighWaterMark = 100000;
constexpr std::int64_t kSubscriptionLookMs = 50;

std::string endpoint(const VehiclePlan& plan, int offset) {
    return protocol::endpointText(bindAddress(plan.host), plan.basePort, offset);
}

zmq::socket_t boundSocket(zmq::context_t& context, zmq::socket_type type, const std::string& where,
                          int sendHighWaterMark) {
    zmq::socket_t socket(context, type);
    socket.set(zmq::sockopt::linger, 0);
    if (sendHighWaterMark > 0) {
        socket.set(zmq::sockopt::sndhwm, sendHighWaterMark);
    }
    socket.bind(where);
    return socket;
}

}  // namespace

SimVehicle::SimVehicle(zmq::context_t& context, const VehiclePlan& plan, ActivityLog& activity)
    : plan_(plan),
      activity_(activity),
      model_(plan.model),
      dictionary_(model_, switches_),
      schedule_(publishedObjects(), 0) {
    const bool flooding = plan.flood > 0 || plan.floodRate > 0.0;
    const int highWaterMark =
        flooding ? static_cast<int>(std::min<std::size_t>(plan.flood + kFloodHighWaterMark, 1u << 30)) : 0;
    const std::string statusEndpoint = endpoint(plan, protocol::kStatusPortOffset);
    const std::string requestEndpoint = endpoint(plan, protocol::kRequestPortOffset);
    const std::string logEndpoint = endpoint(plan, protocol::kLogPortOffset);
    status_ = boundSocket(context, zmq::socket_type::xpub, statusEndpoint, highWaterMark);
    requests_ = boundSocket(context, zmq::socket_type::router, requestEndpoint, 0);
    log_ = boundSocket(context, zmq::socket_type::pub, logEndpoint, 0);
    note("serving status on " + statusEndpoint + ", requests on " + requestEndpoint + ", log on " +
         logEndpoint);
}

SimVehicle::~SimVehicle() {
    status_.close();
    requests_.close();
    log_.close();
}

void SimVehicle::step(std::int64_t now) {
    advanceModel(now);
    publishEvents(now);
    const std::uint64_t before = published_;
    const std::size_t malformed = malformedCount_;
    publishDue(now);
    publishExtras(now);
    // A send may take the status socket's signal of a waiting subscription: a vehicle that sent looks
    // for one itself now and then (every look costs a system call or two).
    if ((published_ != before || malformedCount_ != malformed) && now >= nextSubscriptionLookMs_) {
        nextSubscriptionLookMs_ = now + kSubscriptionLookMs;
        readSubscriptions();
    }
    if (sendHeldReplies(now)) {
        serveRequests(now);
    }
}

void SimVehicle::advanceModel(std::int64_t now) {
    const std::int64_t elapsedMs = std::min(now - lastAdvanceMs_, kMaxCatchUpMs);
    lastAdvanceMs_ = now;
    double simulated = elapsedMs / 1000.0 * plan_.timeScale;
    while (simulated > 1e-9) {
        const double step = std::min(kModelStep, simulated);
        model_.advance(step);
        simulated -= step;
    }
}

// A line of the activity log; a vehicle of a fleet says its name, so the one log of the process
// tells the vehicles apart.
void SimVehicle::note(const std::string& text) {
    activity_.info(plan_.name.empty() ? text : plan_.name + ": " + text);
}

bool SimVehicle::send(zmq::socket_t& socket, const std::vector<std::string>& frames) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
        auto flags = zmq::send_flags::dontwait;
        if (i + 1 < frames.size()) {
            flags = flags | zmq::send_flags::sndmore;
        }
        if (!socket.send(zmq::buffer(frames[i]), flags)) {
            return false;
        }
    }
    return true;
}

void SimVehicle::readSubscriptions() {
    zmq::message_t message;
    while (status_.recv(message, zmq::recv_flags::dontwait)) {
        subscriptions_.apply(message.data(), message.size());
    }
}

// The objects due now that some subscriber wants; the others are not even encoded (their turn passes
// all the same, so that a subscriber coming later finds the stream in step).
void SimVehicle::publishDue(std::int64_t now) {
    schedule_.duePositions(now, due_);
    if (due_.empty() || !subscriptions_.wantsAny()) {
        return;
    }
    std::optional<VehicleStatus> status;
    const auto& indexTexts = publishedIndexTexts();
    for (std::size_t position : due_) {
        if (!subscriptions_.wants(position)) {
            continue;
        }
        if (!status) {
            status = model_.readout();
        }
        const std::string values = statusValuesAt(*status, position);
        const std::string& index = indexTexts[position];
        const bool sent = status_.send(zmq::buffer(index), zmq::send_flags::dontwait | zmq::send_flags::sndmore) &&
                          status_.send(zmq::buffer(values), zmq::send_flags::dontwait);
        published_ += sent ? 1 : 0;
    }
}

// Floods and malformed messages, as the plan asks.
void SimVehicle::publishExtras(std::int64_t now) {
    const double elapsed = (now - lastExtrasMs_) / 1000.0;
    lastExtrasMs_ = now;
    std::size_t burst = 0;
    if (plan_.flood > 0 && !flooded_ && now >= plan_.floodDelayMs) {
        flooded_ = true;
        burst = plan_.flood;
    }
    floodCredit_ += plan_.floodRate * elapsed;
    const auto steady = static_cast<std::size_t>(floodCredit_);
    floodCredit_ -= static_cast<double>(steady);
    if (burst + steady > 0) {
        const auto started = std::chrono::steady_clock::now();
        const auto messages = statusMessages(model_.readout());
        for (std::size_t i = 0; i < burst + steady; ++i) {
            const StatusMessage& message = messages[i % messages.size()];
            published_ += send(status_, {std::to_string(message.index), message.values}) ? 1 : 0;
        }
        if (burst > 0) {
            const auto took = std::chrono::steady_clock::now() - started;
            note("flood of " + std::to_string(burst) + " status messages sent in " +
                 std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) + " ms");
        }
    }
    if (plan_.fault == FaultMode::Malformed && now >= nextMalformedMs_) {
        nextMalformedMs_ = now + kMalformedEveryMs;
        send(status_, malformedMessage(malformedCount_++));
    }
}

void SimVehicle::publishEvents(std::int64_t now) {
    for (const LogEvent& event : model_.takeEvents()) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "[%9.3f] ", event.time);
        publishLine(stamp + event.text, event.debug);
    }
    if (switches_.debug && now >= nextDebugMs_) {
        nextDebugMs_ = now + 1000;
        const Location at = model_.location();
        char line[160];
        std::snprintf(line, sizeof line, "[%9.3f] debug: seg %d at %.1f mm, po %d, v %.1f mm/s, state %d/%d",
                      model_.time(), at.segment, at.offset, model_.currentPoint(), model_.velocity(),
                      static_cast<int>(model_.operationState()), model_.operationStatus());
        publishLine(line, true);
    }
}

void SimVehicle::publishLine(const std::string& text, bool debug) {
    if (debug && !switches_.debug) {
        return;
    }
    note(text);
    if (switches_.publish) {
        send(log_, {text});
    }
}

}  // namespace kova::sim
