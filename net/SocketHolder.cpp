#include "net/SocketHolder.h"

#include "net/Context.h"

namespace kova {

SocketHolder::SocketHolder(zmq::socket_type type) : socket_(messagingContext(), type) {
    socket_.set(zmq::sockopt::linger, 0);
}

}  // namespace kova
