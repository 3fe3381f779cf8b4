#include "net/Multipart.h"

namespace kova {

bool receiveMultipart(zmq::socket_t& socket, zmq::multipart_t& message) {
    message.clear();
    return message.recv(socket);
}

bool sendMultipart(zmq::socket_t& socket, zmq::multipart_t& message, int flags) {
    return message.send(socket, flags);
}

void appendText(zmq::multipart_t& message, const std::string& text) {
    message.addstr(text);
}

std::string takeFrontText(zmq::multipart_t& message) {
    return message.popstr();
}

bool receiveFrameText(zmq::socket_t& socket, std::string& text) {
    zmq::message_t frame;
    if (!socket.recv(frame, zmq::recv_flags::none)) {
        return false;
    }
    text.assign(static_cast<const char*>(frame.data()), frame.size());
    return true;
}

}  // namespace kova
