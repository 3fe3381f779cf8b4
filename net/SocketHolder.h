#pragma once

#include <zmq.hpp>

namespace kova {

// Owns one socket of the process-wide messaging context. Closing closes the socket once and leaves
// the holder empty; closing an empty holder does nothing.
class SocketHolder {
public:
    SocketHolder() = default;
    // Makes a socket of the given kind (ZMQ_SUB, ZMQ_REQ, ...) with linger 0, so that closing it
    // never waits for the network. Throws zmq::error_t when the socket or the option fails.
    explicit SocketHolder(zmq::socket_type type);

    SocketHolder(SocketHolder&&) = default;
    SocketHolder& operator=(SocketHolder&&) = default;
    SocketHolder(const SocketHolder&) = delete;
    SocketHolder& operator=(const SocketHolder&) = delete;

    bool isOpen() const { return static_cast<bool>(socket_); }
    zmq::socket_t& socket() { return socket_; }
    void close() { socket_.close(); }

private:
    zmq::socket_t socket_;
};

}  // namespace kova
