#pragma once

#include <optional>
#include <string>
#include <vector>

#include <Poco/Mutex.h>
#include <zmq.hpp>

namespace kova {

// How one request exchange ended.
enum class ExchangeStatus {
    Replied,         // a reply of two or more frames came: text is the verb, a blank and frame 2
                     // as the screen shows it (TextCells: no byte of it can move the cursor)
    MalformedReply,  // a reply of fewer than two frames came; the socket is kept
    NoResponse,      // no reply within the time-out; the socket was dropped
    NoSocket,        // no request socket could be made (tried again at the next request)
    Failed,          // the connect, the send or the receive was refused; the socket was dropped
    Stopped,         // the messaging context was shut down (console exit); nothing is to be shown
};

struct ExchangeResult {
    ExchangeResult(ExchangeStatus status, std::string text, std::string reply = {})
        : status(status), text(std::move(text)), reply(std::move(reply)) {}

    ExchangeStatus status;
    std::string text;                 // what the command window shows with showReply
    std::string reply;                // Replied: the reply's second frame, byte for byte
    std::vector<std::string> frames;  // Replied, MalformedReply: every frame of the reply as received
};

// The command window's request/reply exchange with the controller on base port + 2. It owns the
// request socket (ZMQ_REQ, linger 0, 1200 ms receive time-out), made at the first request and made
// afresh after every time-out or messaging failure, so a late reply is never read and a socket in
// an unknown state is never reused.
//
// Every exchange runs under the exchange lock, from the socket set-up to the reply taken apart, so
// two requests are never outstanding at once. Nothing is reported from under that lock: every
// outcome, set-up failures included, comes back as the result, to be shown once. No messaging error
// leaves exchange(): a refused send or receive becomes a Failed result (and a fresh socket next
// time), the context's shut-down a Stopped one. An endpoint the messaging library refuses to connect
// to is remembered: later requests fail at once with the same text, without making another socket,
// until the endpoint changes.
class RequestExchange {
public:
    static constexpr int kReplyTimeoutMs = 1200;

    // Requests go to `endpoint` ("tcp://host:port", the controller's base port + 2).
    explicit RequestExchange(std::string endpoint = {});
    // Closes the request socket, if there is one.
    ~RequestExchange();
    RequestExchange(const RequestExchange&) = delete;
    RequestExchange& operator=(const RequestExchange&) = delete;

    // Sends [verb, body] and waits up to 1200 ms for the reply. Blocks the caller; any thread, but
    // exchanges from several threads run one after the other.
    ExchangeResult exchange(std::string verb, std::string body);

    // True while a request socket exists (after a set-up, until a time-out or failure drops it).
    bool hasSocket();

    // Points the exchange at another endpoint: the next request makes a socket for it. Any thread;
    // waits for an exchange in progress.
    void setEndpoint(std::string endpoint);

private:
    // Makes, configures and connects the request socket when there is none. Exchange lock held.
    // Returns the failure as a result; nothing when the socket is ready. Throws only ETERM (the
    // context was shut down).
    std::optional<ExchangeResult> ensureRequestSocket();
    ExchangeResult sendAndReceive(const std::string& verb, const std::string& body);
    void dropSocket();

    std::string endpoint_;
    zmq::socket_t requestSocket_;  // empty until a set-up, and again after a time-out or failure
    std::string refusedText_;      // why the endpoint was refused; empty while it is not known to be
    Poco::Mutex exchangeLock_;
};

}  // namespace kova
