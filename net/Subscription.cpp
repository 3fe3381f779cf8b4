#include "net/Subscription.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace kova {

namespace {

// Sleeps up to `ms` milliseconds in short slices, ending early once `running` is cleared.
void pauseWhileRunning(const std::atomic<bool>& running, int ms) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(ms);
    while (running && steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(50));
    }
}

}  // namespace

Subscription::Subscription(zmq::context_t& context, std::string endpoint, std::string label,
                           MessageLimits limits, std::vector<std::string> prefixes)
    : context_(context),
      endpoint_(std::move(endpoint)),
      label_(std::move(label)),
      limits_(limits),
      prefixes_(std::move(prefixes)) {
    try {
        open();
    } catch (const zmq::error_t& e) {
        close();
        startError_ = label_ + ": zmq error, " + e.what() + " (" + endpoint_ + ")";
    }
}

void Subscription::open() {
    static std::atomic<unsigned> serial{0};
    socket_ = zmq::socket_t(context_, zmq::socket_type::sub);
    socket_.set(zmq::sockopt::linger, 0);
    socket_.set(
        zmq::sockopt::maxmsgsize,
        static_cast<int64_t>(std::min(limits_.frameBytes, static_cast<std::size_t>(kMaxMessageBytes))));
    socket_.set(zmq::sockopt::reconnect_ivl, kReconnectMs);
    socket_.set(zmq::sockopt::reconnect_ivl_max, kReconnectMaxMs);
    socket_.set(zmq::sockopt::rcvtimeo, kQuietCheckMs);
    subscribe(prefixes_, true);
    const std::string monitor = "inproc://kova-subscription-" + std::to_string(serial++);
    if (zmq_socket_monitor(socket_.handle(), monitor.c_str(), ZMQ_EVENT_DISCONNECTED) != 0) {
        throw zmq::error_t();
    }
    events_ = zmq::socket_t(context_, zmq::socket_type::pair);
    events_.set(zmq::sockopt::linger, 0);
    events_.connect(monitor);
    socket_.connect(endpoint_);
}

void Subscription::subscribe(const std::vector<std::string>& prefixes, bool on) {
    const auto apply = [this, on](const std::string& prefix) {
        if (on) {
            socket_.set(zmq::sockopt::subscribe, prefix);
        } else {
            socket_.set(zmq::sockopt::unsubscribe, prefix);
        }
    };
    if (prefixes.empty()) {
        apply("");
    }
    for (const std::string& prefix : prefixes) {
        apply(prefix);
    }
}

void Subscription::resubscribe(std::vector<std::string> prefixes, const ErrorHandler& onError) {
    std::vector<std::string> before = std::move(prefixes_);
    prefixes_ = std::move(prefixes);
    if (!socket_) {
        return;  // the next open() asks for prefixes_
    }
    try {
        // The socket counts each prefix's subscriptions, so one asked for before and after stays.
        subscribe(prefixes_, true);
        subscribe(before, false);
    } catch (const zmq::error_t& e) {
        if (e.num() == ETERM) {
            throw;
        }
        close();
        onError(label_ + ": zmq error, " + e.what());
    }
}

void Subscription::close() {
    events_.close();
    socket_.close();
}

void Subscription::mendDisconnects() {
    zmq::multipart_t event;
    bool disconnected = false;
    while (event.recv(events_, ZMQ_DONTWAIT)) {
        disconnected = true;  // only disconnects are watched
        event.clear();
    }
    if (disconnected) {
        // Harmless after an ordinary loss (libzmq's own reconnect simply starts over); needed after
        // a connection libzmq ended for breaking its rules, which it never reconnects.
        socket_.disconnect(endpoint_);
        socket_.connect(endpoint_);
    }
}

bool Subscription::receiveOne(zmq::multipart_t& message, zmq::recv_flags flags,
                              const MessageHandler& onMessage) {
    MessageCut cut;
    if (!receiveBounded(socket_, message, limits_, cut, flags)) {
        return false;
    }
    onMessage(message);
    if (!cut) {
        return true;
    }
    if (onCut_) {
        onCut_(cut);
    }
#if defined(__GLIBC__)
    // libzmq hands a message over only once all of it has arrived and holds it in its own queue
    // meanwhile (64 bytes a frame besides the data), which no socket option bounds. What a flood of
    // frames left there is free again now, but the allocator keeps it; give it back to the system.
    if (cut.frames > kTrimAfterFrames || cut.bytes > static_cast<std::uint64_t>(kMaxMessageBytes)) {
        malloc_trim(0);
    }
#endif
    return true;
}

std::size_t Subscription::take(std::size_t budget, const MessageHandler& onMessage,
                               const ErrorHandler& onError) {
    std::size_t taken = 0;
    if (!startError_.empty()) {
        return taken;
    }
    zmq::multipart_t message;
    try {
        if (!socket_) {
            open();
        }
        for (; taken < budget; ++taken) {
            if (!receiveOne(message, zmq::recv_flags::dontwait, onMessage)) {
                break;
            }
        }
    } catch (const zmq::error_t& e) {
        if (e.num() == ETERM) {
            throw;
        }
        close();
        onError(label_ + ": zmq error, " + e.what());
    }
    return taken;
}

void Subscription::run(const std::atomic<bool>& running, const MessageHandler& onMessage,
                       const ErrorHandler& onError, const IdleHandler& onIdle) {
    if (!startError_.empty()) {
        return;
    }
    zmq::multipart_t message;
    while (running) {
        try {
            if (!socket_) {
                open();
            }
            // What is queued is taken without waiting; once the queue is empty the window may draw
            // what it took, and the loop waits for the next message. A wait that ends with nothing
            // looks for a disconnect to mend.
            if (receiveOne(message, zmq::recv_flags::dontwait, onMessage)) {
                continue;
            }
            if (onIdle) {
                onIdle();
            }
            if (!receiveOne(message, zmq::recv_flags::none, onMessage)) {
                mendDisconnects();
            }
        } catch (const zmq::error_t& e) {
            if (e.num() == ETERM) {
                return;  // the console is shutting down
            }
            // The socket is in an unknown state: report, pause, and start over with a fresh one.
            close();
            onError(label_ + ": zmq error, " + e.what());
            pauseWhileRunning(running, kRetryPauseMs);
        }
    }
}

}  // namespace kova
