#include "command/RequestExchange.h"

#include <cerrno>
#include <utility>

#include <zmq_addon.hpp>

#include "net/Endpoint.h"
#include "net/Multipart.h"

namespace kova {

namespace {

constexpr const char* kErrorPrefix = "Network req: zmq error, ";
constexpr const char* kNoResponse = "no response";
constexpr const char* kNoSocket = "no socket req";

std::string malformedReplyText(const std::string& verb, std::size_t frames) {
    return verb + " malformed reply (" + std::to_string(frames) + (frames == 1 ? " frame)" : " frames)");
}

}  // namespace

RequestExchange::~RequestExchange() {
    dropSocket();
}

bool RequestExchange::hasSocket() {
    Poco::Mutex::ScopedLock lock(exchangeLock_);
    return static_cast<bool>(requestSocket_);
}

ExchangeResult RequestExchange::exchange(std::string verb, std::string body) {
    Poco::Mutex::ScopedLock lock(exchangeLock_);
    try {
        if (std::optional<ExchangeResult> failed =
                ensureRequestSocket(controllerEndpoint(kRequestPortOffset))) {
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

std::optional<ExchangeResult> RequestExchange::ensureRequestSocket(const std::string& endpoint) {
    if (requestSocket_) {
        return std::nullopt;
    }
    if (!refusedEndpoint_.empty() && refusedEndpoint_ == endpoint) {
        return ExchangeResult{ExchangeStatus::Failed, refusedText_};
    }
    try {
        // The holder gives every socket linger 0, so dropping one never waits for the network.
        requestSocket_ = std::make_unique<SocketHolder>(zmq::socket_type::req);
    } catch (const zmq::error_t& error) {
        if (error.num() == ETERM) {
            throw;
        }
        // Often passing (no file descriptor free): the next request tries again.
        return ExchangeResult{ExchangeStatus::NoSocket,
                              std::string(kNoSocket) + " (" + kErrorPrefix + error.what() + ")"};
    }
    try {
        zmq::socket_t& socket = requestSocket_->socket();
        socket.set(zmq::sockopt::rcvtimeo, kReplyTimeoutMs);
        socket.connect(endpoint);
    } catch (const zmq::error_t& error) {
        dropSocket();
        if (error.num() == ETERM) {
            throw;
        }
        // An endpoint the library refuses (a malformed host) stays refused: no new socket for it.
        refusedEndpoint_ = endpoint;
        refusedText_ = kErrorPrefix + std::string(error.what());
        return ExchangeResult{ExchangeStatus::Failed, refusedText_};
    }
    refusedEndpoint_.clear();
    return std::nullopt;
}

ExchangeResult RequestExchange::sendAndReceive(const std::string& verb, const std::string& body) {
    zmq::socket_t& socket = requestSocket_->socket();
    zmq::multipart_t request;
    appendText(request, verb);
    appendText(request, body);
    // Never waits. A request that cannot be queued (no connection at all) leaves the REQ socket
    // expecting a send, and the receive below is then refused; that surfaces as a messaging error.
    sendMultipart(socket, request, ZMQ_DONTWAIT);

    zmq::multipart_t reply;
    if (!receiveMultipart(socket, reply)) {
        // A reply arriving later must never be taken for the next request's: that socket goes.
        dropSocket();
        return {ExchangeStatus::NoResponse, kNoResponse};
    }
    if (reply.size() < 2) {
        return {ExchangeStatus::MalformedReply, malformedReplyText(verb, reply.size())};
    }
    takeFrontText(reply);  // the first frame carries nothing for the operator
    return {ExchangeStatus::Replied, verb + " " + printableReplyText(takeFrontText(reply))};
}

void RequestExchange::dropSocket() {
    if (requestSocket_) {
        requestSocket_->close();
        requestSocket_.reset();
    }
}

std::string printableReplyText(const std::string& text) {
    std::string printable;
    printable.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            printable += '^';
            printable += static_cast<char>(byte ^ 0x40);
        } else {
            printable += c;
        }
    }
    return printable;
}

}  // namespace kova
