// The subscriber sockets' receive loop over real sockets on loopback: a quiet end at shut-down, a
// messaging error that is reported and survived, and a frame too large to take.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "net/Subscription.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

// A publisher of the test's own and a Subscription to it, running on a thread, on a context that the
// test may shut down.
class SubscriptionRun {
public:
    explicit SubscriptionRun(MessageLimits limits = kLogLimits) : pub_(context_, zmq::socket_type::pub) {
        pub_.set(zmq::sockopt::linger, 0);
        pub_.bind("tcp://127.0.0.1:*");
        subscription_ = std::make_unique<Subscription>(context_, pub_.get(zmq::sockopt::last_endpoint),
                                                       "Network test", limits);
        subscription_->onCut([this](const MessageCut& cut) {
            std::lock_guard<std::mutex> lock(mutex_);
            cuts_.push_back({received_.back(), cut});
        });
        thread_ = std::thread([this] {
            try {
                subscription_->run(
                    running_,
                    [this](zmq::multipart_t& message) {
                        std::lock_guard<std::mutex> lock(mutex_);
                        frames_[message[0].to_string()] = message.size();
                        received_.push_back(message.popstr());
                    },
                    [this](const std::string& text) {
                        std::lock_guard<std::mutex> lock(mutex_);
                        errors_.push_back(text);
                    });
            } catch (...) {
                escaped_ = true;
            }
            ended_ = true;
        });
    }

    ~SubscriptionRun() {
        running_ = false;
        context_.shutdown();
        thread_.join();
    }

    void publish(const std::string& frame) { pub_.send(zmq::buffer(frame), zmq::send_flags::dontwait); }

    // Publishes `frame` every 50 ms until it has arrived (a subscription takes a moment to join).
    bool deliver(const std::string& frame) {
        return waitUntil(
            [&] {
                publish(frame);
                return has(frame);
            },
            5s);
    }

    bool has(const std::string& frame) {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::find(received_.begin(), received_.end(), frame) != received_.end();
    }
    std::vector<std::string> errors() {
        std::lock_guard<std::mutex> lock(mutex_);
        return errors_;
    }

    zmq::context_t context_;
    zmq::socket_t pub_;
    std::unique_ptr<Subscription> subscription_;
    std::atomic<bool> running_{true};
    std::atomic<bool> ended_{false};
    std::atomic<bool> escaped_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> received_;                     // the first frame of each message
    std::map<std::string, std::size_t> frames_;             // the frames each message kept, by its first
    std::vector<std::pair<std::string, MessageCut>> cuts_;  // by the message's first frame
    std::vector<std::string> errors_;
};

TEST(Subscription, TheLoopEndsQuietlyWhenTheContextShutsDown) {
    SubscriptionRun run;
    ASSERT_TRUE(run.deliver("hello"));
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(run.ended_);
    run.context_.shutdown();
    EXPECT_TRUE(waitUntil([&] { return run.ended_.load(); }, 1s));
    EXPECT_FALSE(run.escaped_) << "ETERM must end the loop without an exception";
    EXPECT_TRUE(run.errors().empty());
}

// A receive broken by anything but the shut-down (here a signal that interrupts it) is reported
// with the stream's label, and the loop goes on with a fresh socket that still receives.
TEST(Subscription, AMessagingErrorIsReportedAndTheStreamGoesOn) {
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the blocked receive returns EINTR
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

    SubscriptionRun run;
    ASSERT_TRUE(run.deliver("before"));
    ASSERT_TRUE(waitUntil(
        [&] {
            pthread_kill(run.thread_.native_handle(), SIGUSR1);
            return !run.errors().empty();
        },
        3s));
    EXPECT_EQ(run.errors().front(), std::string("Network test: zmq error, ") + zmq_strerror(EINTR));
    EXPECT_FALSE(run.ended_);
    EXPECT_TRUE(run.deliver("after")) << "the loop did not come back with a working socket";
    sigaction(SIGUSR1, &previous, nullptr);
}

// A frame over its stream's size limit costs the connection for a moment, never the process's
// memory, and the next message of normal size arrives.
TEST(Subscription, AFrameOverTheLimitIsRefusedAndTheLinkRecovers) {
    for (const MessageLimits& limits : {kLogLimits, kStatusLimits}) {
        SubscriptionRun run(limits);
        ASSERT_TRUE(run.deliver("small"));
        const std::string huge(limits.frameBytes + 1, 'h');
        run.publish(huge);
        EXPECT_TRUE(run.deliver("after the big one"));
        EXPECT_FALSE(run.has(huge)) << limits.frameBytes;
        EXPECT_TRUE(run.errors().empty()) << "a refused frame is the library's business, not an error";
    }
}

// One message keeps at most the stream's frames and bytes; the rest is let go and told, and the
// stream goes on whole.
TEST(Subscription, AMessageKeepsWhatItsLimitsAllowAndTellsTheRest) {
    SubscriptionRun run(MessageLimits{3, 1000, 1000});
    ASSERT_TRUE(run.deliver("joined"));
    const auto send = [&](const std::string& first, std::size_t count, std::size_t bytes) {
        zmq::multipart_t message;
        message.addstr(first);
        for (std::size_t i = 1; i < count; ++i) {
            message.addstr(std::string(bytes, 'b'));
        }
        ASSERT_TRUE(message.send(run.pub_));
    };
    send("many empty frames", 100000, 0);
    send("bytes", 5, 600);  // the second 600 would pass 1000 bytes
    send("within", 3, 400);
    ASSERT_TRUE(waitUntil([&] { return run.has("within"); }, 5s));
    std::lock_guard<std::mutex> lock(run.mutex_);
    EXPECT_EQ(run.frames_["many empty frames"], 3u);
    EXPECT_EQ(run.frames_["bytes"], 2u);
    EXPECT_EQ(run.frames_["within"], 3u);
    ASSERT_EQ(run.cuts_.size(), 2u);
    EXPECT_EQ(run.cuts_[0].first, "many empty frames");
    EXPECT_EQ(run.cuts_[0].second.frames, 99997u);
    EXPECT_EQ(run.cuts_[1].first, "bytes");
    EXPECT_EQ(run.cuts_[1].second.frames, 3u);
    EXPECT_EQ(run.cuts_[1].second.bytes, 1800u);
}

TEST(Subscription, AnEndpointTheLibraryRefusesIsAStartError) {
    zmq::context_t context;
    Subscription subscription(context, "tcp://bad host!:1", "Network log", kLogLimits);
    EXPECT_EQ(subscription.startError().rfind("Network log: zmq error, ", 0), 0u)
        << subscription.startError();
    EXPECT_NE(subscription.startError().find("(tcp://bad host!:1)"), std::string::npos);
    std::atomic<bool> running{true};
    subscription.run(
        running, [](zmq::multipart_t&) {}, [](const std::string&) {});  // returns at once
}

}  // namespace
}  // namespace kova::test
