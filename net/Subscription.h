#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "net/BoundedReceive.h"

namespace kova {

// One subscriber socket of the console (the monitor's status stream, the log window's log stream) and
// the loop that receives from it on the window's thread.
//
// The socket has linger 0 (closing never waits), takes every message (empty subscription), refuses
// any frame over its stream's MessageLimits::frameBytes (at most kMaxMessageBytes), keeps of each
// message only what its stream's MessageLimits allow (the rest is let go and told to the cut
// handler), and backs off its reconnect attempts from 100 ms to 1 s while the controller is away, so
// an absent controller costs almost no CPU and a returning one is still picked up within a second.
//
// libzmq ends a connection that breaks its rules (a frame over the limit) for good: it does not
// reconnect as it does when the peer goes away. The loop therefore looks at the socket's own
// disconnect events whenever the stream has been quiet for kQuietCheckMs, and connects again itself,
// so a hostile frame costs the link a moment, never the console's memory and never the stream. The
// same wait bounds how long a stop or a change of stream takes to be noticed.
class Subscription {
public:
    using MessageHandler = std::function<void(zmq::multipart_t& message)>;
    using ErrorHandler = std::function<void(const std::string& text)>;
    using IdleHandler = std::function<void()>;
    using CutHandler = std::function<void(const MessageCut& cut)>;

    // The largest frame any stream takes.
    static constexpr int kMaxMessageBytes = 1 << 20;
    // A cut message that let go of more frames than this (or more than kMaxMessageBytes) has the
    // freed memory handed back to the system.
    static constexpr std::uint64_t kTrimAfterFrames = 4096;
    static constexpr int kReconnectMs = 100;
    static constexpr int kReconnectMaxMs = 1000;
    static constexpr int kRetryPauseMs = 500;
    // How long a quiet stream is waited for before the loop looks for a disconnect to mend.
    static constexpr int kQuietCheckMs = 250;
    // What one subscription holds: its socket, the PAIR libzmq publishes its events on and the one
    // that reads them; their three mailboxes and the connection to the publisher.
    static constexpr int kSocketsEach = 3;
    static constexpr int kDescriptorsEach = 4;

    // Makes, subscribes and connects the socket. A messaging failure is not thrown: it is kept as
    // startError(), "<label>: zmq error, <text> (<endpoint>)", and run() then returns at once.
    // `label` names the stream in every error text ("Network status", "Network log"); `limits` bound
    // what one message may hold (kStatusLimits, kLogLimits). `prefixes`, when given, are the only
    // message prefixes asked of the publisher (it filters them out before they travel); none asks for
    // every message. Main thread.
    Subscription(zmq::context_t& context, std::string endpoint, std::string label, MessageLimits limits,
                 std::vector<std::string> prefixes = {});
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    const std::string& startError() const { return startError_; }

    // Called, right after the message handler, for every message that passed its limits, with what
    // was let go of it. Set before receiving starts; called on the receiving thread.
    void onCut(CutHandler handler) { onCut_ = std::move(handler); }

    // Receives whole messages and hands each to `onMessage` (which may take its frames) until
    // `running` is found cleared (tested between messages) or the context is shut down (ETERM ends
    // the loop quietly). Any other messaging error is handed to `onError` as "<label>: zmq error,
    // <text>", and after a pause of kRetryPauseMs (cut short by a stop) the loop goes on with a fresh
    // socket. `onIdle`, when given, runs each time the messages queued so far have all been handed
    // over, before the loop waits for more (a window can draw a burst once instead of per message).
    // The window's own thread; the socket is used by that thread alone once this runs.
    void run(const std::atomic<bool>& running, const MessageHandler& onMessage, const ErrorHandler& onError,
             const IdleHandler& onIdle = {});

    // For one loop that serves many subscriptions on one thread (a fleet): the socket to poll (check
    // `ready()` first: after a messaging error there is none until the next take()); take(), which
    // hands over up to `budget` queued messages without waiting (so no stream can starve the others)
    // and returns how many it handed over, none after a start error; and mend(), which connects
    // again after a disconnect the socket's events tell of, for the loop to call now and then. A
    // messaging error other than ETERM (which is thrown) is handed to `onError` and the socket is made
    // anew at the next take().
    bool ready() const { return static_cast<bool>(socket_); }
    void* socketHandle() { return socket_.handle(); }
    std::size_t take(std::size_t budget, const MessageHandler& onMessage, const ErrorHandler& onError);
    void mend() {
        if (socket_) {
            mendDisconnects();
        }
    }
    // Asks the publisher from now on for the messages of `prefixes` only (none: every message), as
    // the constructor's prefixes do; a socket made anew later asks the same. The new prefixes are
    // subscribed before the old ones are let go, so a message both ask for is never missed. Messages
    // already on their way under the old prefixes still arrive. A messaging error other than ETERM
    // (which is thrown) is handed to `onError` and the socket is made anew at the next take().
    // The receiving thread.
    void resubscribe(std::vector<std::string> prefixes, const ErrorHandler& onError);

private:
    // A fresh, subscribed and connected socket with its event monitor. Throws zmq::error_t.
    void open();
    void close();
    // Subscribes (or, `on` false, unsubscribes) the socket to `prefixes`; none is every message.
    void subscribe(const std::vector<std::string>& prefixes, bool on);
    // Connects again after a disconnect the socket's events tell of.
    void mendDisconnects();
    // Receives one message within the limits and hands it over (and its cut, if any). False when
    // none came.
    bool receiveOne(zmq::multipart_t& message, zmq::recv_flags flags, const MessageHandler& onMessage);

    zmq::context_t& context_;
    std::string endpoint_;
    std::string label_;
    MessageLimits limits_;
    CutHandler onCut_;
    std::vector<std::string> prefixes_;
    zmq::socket_t socket_;
    zmq::socket_t events_;  // the socket's disconnect events (a PAIR on inproc)
    std::string startError_;
};

}  // namespace kova
