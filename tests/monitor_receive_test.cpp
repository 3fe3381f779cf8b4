// The monitor's receive path over real ZeroMQ sockets on loopback, and the record shared between
// the receiving thread and the redraw.
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "monitor/StatusStore.h"

namespace kova {
namespace {

using namespace std::chrono_literals;

// A publisher bound on a random loopback port and a subscriber connected to it, on a context of
// the test's own (so it can be shut down without touching the console's).
class StatusLink {
public:
    StatusLink() : pub(context, zmq::socket_type::pub), sub(context, zmq::socket_type::sub) {
        pub.set(zmq::sockopt::linger, 0);
        sub.set(zmq::sockopt::linger, 0);
        pub.bind("tcp://127.0.0.1:*");
        sub.set(zmq::sockopt::subscribe, "");
        sub.set(zmq::sockopt::rcvtimeo, 100);
        sub.connect(pub.get(zmq::sockopt::last_endpoint));
    }

    void publish(std::initializer_list<std::string> frames) {
        zmq::multipart_t message;
        for (const std::string& frame : frames) {
            message.addstr(frame);
        }
        message.send(pub);
    }

    // Publishes a probe until it has been received and stored (the subscription takes a moment).
    bool join(StatusStore& store, zmq::multipart_t& scratch) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            publish({"1902", "3"});
            if (receiveStatus(sub, scratch, store) && store.snapshot().dataloggerState == 3) {
                return true;
            }
        }
        return false;
    }

    zmq::context_t context;
    zmq::socket_t pub;
    zmq::socket_t sub;
};

TEST(MonitorReceive, ShortMessagesAreDiscardedAndExtraFramesIgnored) {
    StatusLink link;
    StatusStore store;
    zmq::multipart_t scratch;
    ASSERT_TRUE(link.join(store, scratch));
    // Drain any probes still queued.
    while (receiveStatus(link.sub, scratch, store)) {
    }

    link.publish({"111"});                     // one frame: nothing may change
    link.publish({""});                        // one empty frame
    link.publish({"3009", "12/7/1", "junk"});  // frames past the second are dropped
    link.publish({"111", ""});                 // empty values: discarded
    link.publish({"4021", "5", "x", "y"});
    int handled = 0;
    while (handled < 5 && receiveStatus(link.sub, scratch, store)) {
        ++handled;
    }
    ASSERT_EQ(handled, 5);
    const StatusRecord record = store.snapshot();
    EXPECT_EQ(record.operationState, 0);
    EXPECT_EQ(record.currentPo, 12);
    EXPECT_EQ(record.currentSegment, 7);
    EXPECT_EQ(record.onRoute, 1);
    EXPECT_EQ(record.operationStatus, 5);
}

TEST(MonitorReceive, ReceiveTimeOutReportsFalse) {
    StatusLink link;
    StatusStore store;
    zmq::multipart_t scratch;
    EXPECT_FALSE(receiveStatus(link.sub, scratch, store));
}

// A reader copying the record while the writer keeps replacing long texts never sees a text that
// is half one and half the other.
TEST(StatusStoreSharing, ReadersNeverSeeATextMidReplace) {
    StatusStore store;
    const std::string a(1000, 'a');
    const std::string b(3000, 'b');
    const std::string messageA = a + "/" + a;
    const std::string messageB = b + "/" + b;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            store.store("500", i % 2 == 0 ? messageA : messageB);
        }
        done = true;
    });
    int reads = 0;
    StatusRecord copy;
    while (!done || reads == 0) {
        store.copyTo(copy);
        for (const std::string& text : copy.alarmFault) {
            ASSERT_TRUE(text.empty() || text == a || text == b) << "torn text of " << text.size() << " bytes";
        }
        ++reads;
    }
    writer.join();
}

}  // namespace
}  // namespace kova
