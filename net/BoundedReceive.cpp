#include "net/BoundedReceive.h"

namespace kova {

bool receiveBounded(zmq::socket_t& socket, zmq::multipart_t& message, const MessageLimits& limits,
                    MessageCut& cut, zmq::recv_flags flags) {
    message.clear();
    cut = MessageCut{};
    zmq::message_t frame;
    if (!socket.recv(frame, flags)) {
        return false;
    }
    std::size_t kept = 0;
    for (;;) {
        const bool more = frame.more();
        if (!cut && message.size() < limits.frames && frame.size() <= limits.bytes - kept) {
            kept += frame.size();
            message.add(std::move(frame));  // leaves `frame` empty for the next receive
        } else {
            // Let go of at the next receive, which releases what `frame` holds.
            ++cut.frames;
            cut.bytes += frame.size();
        }
        if (!more) {
            return true;
        }
        // All of a message arrives together, so this never waits; should it find nothing the
        // message simply ends here.
        if (!socket.recv(frame)) {
            return true;
        }
    }
}

}  // namespace kova
