#pragma once

#include <string>

#include <zmq.hpp>
#include <zmq_addon.hpp>

namespace kova {

// Receives one whole message into `message` (emptied first). Blocks up to the socket's receive
// time-out. Returns false when the time-out passed (EAGAIN); any other failure throws zmq::error_t.
bool receiveMultipart(zmq::socket_t& socket, zmq::multipart_t& message);

// Sends every queued frame, each but the last with the "more" flag, adding `flags` (ZMQ_DONTWAIT for
// the requests). Returns true when all were handed over (an empty queue included), false on EAGAIN;
// any other failure throws zmq::error_t.
bool sendMultipart(zmq::socket_t& socket, zmq::multipart_t& message, int flags);

// Appends the text, byte for byte, as a frame at the back.
void appendText(zmq::multipart_t& message, const std::string& text);

// Removes the front frame and returns its bytes as text. The message must not be empty.
std::string takeFrontText(zmq::multipart_t& message);

// Receives one frame and returns its bytes as text (an empty frame gives empty text). Blocks until a
// frame arrives or the receive time-out passes; on time-out returns false. Throws zmq::error_t on
// any other failure.
bool receiveFrameText(zmq::socket_t& socket, std::string& text);

}  // namespace kova
