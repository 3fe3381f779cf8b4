#include "sim/SimServer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <random>

#include "protocol/Endpoints.h"
#include "sim/MalformedFrames.h"
#include "sim/StatusObjects.h"

namespace kova::sim {

namespace {

constexpr double kModelStep = 0.01;          // simulated seconds per model step, at most
constexpr std::int64_t kMaxCatchUpMs = 200;  // a stalled loop does not make the vehicle jump
constexpr std::int64_t kTickMs = 10;
constexpr std::int64_t kMalformedEveryMs = 300;
constexpr int kFloodHighWaterMark = 100000;

ModelSettings settingsFor(const SimOptions& options) {
    ModelSettings settings;
    settings.seed = options.seedGiven ? options.seed : std::random_device{}();
    settings.obstacles = options.obstacles;
    return settings;
}

std::string endpoint(const SimOptions& options, int offset) {
    return protocol::endpointText(bindAddress(options.host), options.basePort, offset);
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

SimServer::SimServer(const SimOptions& options, ActivityLog& activity)
    : options_(options),
      activity_(activity),
      context_(1),
      model_(settingsFor(options)),
      dictionary_(model_, switches_),
      schedule_(publishedObjects(), 0),
      start_(std::chrono::steady_clock::now()) {
    const bool flooding = options.flood > 0 || options.floodRate > 0.0;
    const int highWaterMark =
        flooding ? static_cast<int>(std::min<std::size_t>(options.flood + kFloodHighWaterMark, 1u << 30)) : 0;
    const std::string statusEndpoint = endpoint(options, protocol::kStatusPortOffset);
    const std::string requestEndpoint = endpoint(options, protocol::kRequestPortOffset);
    const std::string logEndpoint = endpoint(options, protocol::kLogPortOffset);
    status_ = boundSocket(context_, zmq::socket_type::pub, statusEndpoint, highWaterMark);
    requests_ = boundSocket(context_, zmq::socket_type::router, requestEndpoint, 0);
    log_ = boundSocket(context_, zmq::socket_type::pub, logEndpoint, 0);
    activity_.info("serving status on " + statusEndpoint + ", requests on " + requestEndpoint + ", log on " +
                   logEndpoint);
}

SimServer::~SimServer() {
    status_.close();
    requests_.close();
    log_.close();
}

std::int64_t SimServer::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_)
        .count();
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
    activity_.info("stopping after " + std::to_string(published_) + " status messages");
}

// One turn of the loop: move the vehicle on, publish what is due, wait briefly for requests and
// answer them. Returns false when the context was terminated.
bool SimServer::turn() {
    const std::int64_t now = nowMs();
    advanceModel(now);
    publishEvents();
    publishDue(now);
    publishExtras(now);
    sendHeldReplies(now);
    const std::int64_t wait = std::min(kTickMs, schedule_.untilNext(nowMs()));
    if (!waitForRequests(wait)) {
        return false;
    }
    serveRequests(nowMs());
    return true;
}

void SimServer::advanceModel(std::int64_t now) {
    const std::int64_t elapsedMs = std::min(now - lastAdvanceMs_, kMaxCatchUpMs);
    lastAdvanceMs_ = now;
    double simulated = elapsedMs / 1000.0 * options_.timeScale;
    while (simulated > 1e-9) {
        const double step = std::min(kModelStep, simulated);
        model_.advance(step);
        simulated -= step;
    }
}

bool SimServer::send(zmq::socket_t& socket, const std::vector<std::string>& frames) {
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

void SimServer::publishDue(std::int64_t now) {
    const auto due = schedule_.due(now);
    if (due.empty()) {
        return;
    }
    const VehicleStatus status = model_.readout();
    for (int index : due) {
        if (const auto values = statusValues(status, index)) {
            published_ += send(status_, {std::to_string(index), *values}) ? 1 : 0;
        }
    }
}

// Floods and malformed messages, as the options ask.
void SimServer::publishExtras(std::int64_t now) {
    const double elapsed = (now - lastExtrasMs_) / 1000.0;
    lastExtrasMs_ = now;
    std::size_t burst = 0;
    if (options_.flood > 0 && !flooded_ && now >= options_.floodDelayMs) {
        flooded_ = true;
        burst = options_.flood;
    }
    floodCredit_ += options_.floodRate * elapsed;
    const auto steady = static_cast<std::size_t>(floodCredit_);
    floodCredit_ -= static_cast<double>(steady);
    if (burst + steady > 0) {
        const auto messages = statusMessages(model_.readout());
        for (std::size_t i = 0; i < burst + steady; ++i) {
            const StatusMessage& message = messages[i % messages.size()];
            published_ += send(status_, {std::to_string(message.index), message.values}) ? 1 : 0;
        }
        if (burst > 0) {
            activity_.info("flood of " + std::to_string(burst) + " status messages sent in " +
                           std::to_string(nowMs() - now) + " ms");
        }
    }
    if (options_.fault == FaultMode::Malformed && now >= nextMalformedMs_) {
        nextMalformedMs_ = now + kMalformedEveryMs;
        send(status_, malformedMessage(malformedCount_++));
    }
}

void SimServer::publishEvents() {
    for (const LogEvent& event : model_.takeEvents()) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "[%9.3f] ", event.time);
        publishLine(stamp + event.text, event.debug);
    }
    const std::int64_t now = nowMs();
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

void SimServer::publishLine(const std::string& text, bool debug) {
    if (debug && !switches_.debug) {
        return;
    }
    activity_.info(text);
    if (switches_.publish) {
        send(log_, {text});
    }
}

}  // namespace kova::sim
