#pragma once

#include <zmq.hpp>

namespace kova {

// The one messaging context of the process. It is made during static initialisation (a failure
// there throws zmq::error_t before main runs) and destroyed at process exit, after every socket has
// been closed; the destroy is repeated while it is interrupted (EINTR).
zmq::context_t& messagingContext();

// Makes every blocking call on every socket of the context end with ETERM, at once. Used to stop
// the receive threads at shut-down. Safe to call from any thread, any number of times.
void shutdownMessaging();

}  // namespace kova
