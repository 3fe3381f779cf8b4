#include "net/Context.h"

namespace kova {

namespace {
// cppzmq's context destructor already repeats zmq_ctx_term while it fails with EINTR.
zmq::context_t g_context;
}  // namespace

zmq::context_t& messagingContext() {
    return g_context;
}

void shutdownMessaging() {
    g_context.shutdown();
}

}  // namespace kova
