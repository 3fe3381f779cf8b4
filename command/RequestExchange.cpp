#include "command/RequestExchange.h"

#include <cerrno>
#include <utility>

#include <zmq_addon.hpp>

#include "base/TextCells.h"
#include "net/Context.h"

namespace kova {

namespace {

constexpr const char* kErrorPrefix = "Network req: zmq error, ";
constexpr const char* kNoResponse = "no response";
constexpr const char* kNoSocket = "no socket req";

std::string malformedReplyText(const std::string& verb, std::size_t frames) {
    return verb + " malformed reply (" + std::to_string(frames) + (frames == 1 ? " frame)" : " frames)");
}

}  // namespace

RequestExchange::RequestExchange(std::string endpoint) : endpoint_(std::move(endpoint)) {}

RequestExchange::~RequestExchange() {
    dropSocket();
}

void RequestExchange::setEndpoint(std::string endpoint) {
    Poco::Mutex::ScopedLock lock(exchangeLock_);
    if (endpoint != endpoint_) {
        dropSocket();
        refusedText_.clear();
        endpoint_ = std::move(endpoint);
    }
}

bool RequestExchange::hasSocket() {
    Poco::Mutex::ScopedLock lock(exchangeLock_);
    return static_cast<bool>(requestSocket_);
}

ExchangeResult RequestExchange::exchange(std::string verb, std::string body) {
    Poco::Mutex::ScopedLock lock(exchangeLock_);
    try {
        if (std::optional<ExchangeResult> failed = ensureRequestSocket()) {
            return *failed;
        }
        return sendAndReceive(verb, body);
    } catch (const zmq::error_t& error) {
        // A socket the library refused to use is in an unknown state (a REQ socket may be stuck
        // waiting for a reply that never comes): start the next request on a fresh one.
        dropSocket();
        if (error.num() == ETERM) {
            return {ExchangeStatus::Stopped, kNoResponse};
        }
        return {ExchangeStatus::Failed, kErrorPrefix + std::string(error.what())};
    }
}

std::optional<ExchangeResult> RequestExchange::ensureRequestSocket() {
    if (requestSocket_) {
        return std::nullopt;
    }
    if (!refusedText_.empty()) {
        return ExchangeResult{ExchangeStatus::Failed, refusedText_};
    }
    try {
        requestSocket_ = zmq::socket_t(messagingContext(), zmq::socket_type::req);
    } catch (const zmq::error_t& error) {
        if (error.num() == ETERM) {
            throw;
        }
        // Often passing (no file descriptor free): the next request tries again.
        return ExchangeResult{ExchangeStatus::NoSocket,
                              std::string(kNoSocket) + " (" + kErrorPrefix + error.what() + ")"};
    }
    try {
        // Linger 0: dropping the socket never waits for the network.
        requestSocket_.set(zmq::sockopt::linger, 0);
        requestSocket_.set(zmq::sockopt::rcvtimeo, kReplyTimeoutMs);
        requestSocket_.connect(endpoint_);
    } catch (const zmq::error_t& error) {
        dropSocket();
        if (error.num() == ETERM) {
            throw;
        }
        // An endpoint the library refuses (a malformed host) stays refused: no new socket for it.
        refusedText_ = kErrorPrefix + std::string(error.what());
        return ExchangeResult{ExchangeStatus::Failed, refusedText_};
    }
    return std::nullopt;
}

ExchangeResult RequestExchange::sendAndReceive(const std::string& verb, const std::string& body) {
    zmq::multipart_t request;
    request.addstr(verb);
    request.addstr(body);
    // Never waits. A request that cannot be queued (no connection at all) leaves the REQ socket
    // expecting a send, and the receive below is then refused; that surfaces as a messaging error.
    request.send(requestSocket_, ZMQ_DONTWAIT);

    zmq::multipart_t reply;
    if (!reply.recv(requestSocket_)) {
        // A reply arriving later must never be taken for the next request's: that socket goes.
        dropSocket();
        return {ExchangeStatus::NoResponse, kNoResponse};
    }
    std::vector<std::string> frames;
    for (const zmq::message_t& frame : reply) {
        frames.push_back(frame.to_string());
    }
    if (frames.size() < 2) {
        ExchangeResult malformed(ExchangeStatus::MalformedReply, malformedReplyText(verb, frames.size()));
        malformed.frames = std::move(frames);
        return malformed;
    }
    // The first frame carries nothing for the operator.
    ExchangeResult replied(ExchangeStatus::Replied, verb + " " + displayText(frames[1]), frames[1]);
    replied.frames = std::move(frames);
    return replied;
}

void RequestExchange::dropSocket() {
    requestSocket_.close();
}

}  // namespace kova
