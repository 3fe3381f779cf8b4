// The fleet receiver's narrowed and widened status streams over real sockets on loopback: what it
// asks the publisher for, what reaches the record, and a publisher that ignores what it is asked.
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "fleet/FleetObjects.h"
#include "fleet/FleetReceiver.h"
#include "monitor/StatusHandler.h"
#include "monitor/StatusRows.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

// A vehicle's status publisher: every 20 ms two table objects (operation state 2, actual velocity
// 25) and two others (target velocity 7; obstacle detect 1, whose index 5001 begins with the fault's
// 500). An XPUB, so the test sees the subscriptions as they stand; `ignoring` makes it send
// everything to whoever subscribes to anything.
class Publisher {
public:
    Publisher(int basePort, bool ignoring) : xpub_(context_, zmq::socket_type::xpub) {
        xpub_.set(zmq::sockopt::linger, 0);
        xpub_.set(zmq::sockopt::xpub_manual, ignoring ? 1 : 0);
        xpub_.bind("tcp://127.0.0.1:" + std::to_string(basePort + 1));
        thread_ = std::thread([this, ignoring] {
            while (running_) {
                zmq::message_t subscription;
                while (xpub_.recv(subscription, zmq::recv_flags::dontwait)) {
                    const std::string text = subscription.to_string();
                    std::lock_guard<std::mutex> lock(mutex_);
                    subscriptions_[text.substr(1)] += text[0] == 1 ? 1 : -1;
                    if (ignoring && text[0] == 1) {
                        xpub_.set(zmq::sockopt::subscribe, "");  // the sender gets every message
                    }
                }
                for (const auto& [index, values] :
                     {std::pair{"111", "2"}, {"4034", "25"}, {"4035", "7"}, {"5001", "1"}}) {
                    zmq::multipart_t message;
                    message.addstr(index);
                    message.addstr(values);
                    message.send(xpub_);
                }
                std::this_thread::sleep_for(20ms);
            }
        });
    }
    ~Publisher() {
        running_ = false;
        thread_.join();
    }

    // The prefixes subscribed to now.
    std::set<std::string> subscribed() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::set<std::string> now;
        for (const auto& [prefix, count] : subscriptions_) {
            if (count > 0) {
                now.insert(prefix);
            }
        }
        return now;
    }

private:
    zmq::context_t context_;
    zmq::socket_t xpub_;
    std::atomic<bool> running_{true};
    std::mutex mutex_;
    std::map<std::string, int> subscriptions_;
    std::thread thread_;
};

// One vehicle's fleet receiver on a thread, with the indices its listener was handed.
class ReceiverRun {
public:
    explicit ReceiverRun(int basePort)
        : receiver_(context_, {ConnectionEntry{ControllerAddress{"v1", "127.0.0.1", basePort}, ""}}) {
        receiver_.onReceived([this](std::size_t, const zmq::multipart_t& message) {
            std::lock_guard<std::mutex> lock(mutex_);
            heard_.insert(message[0].to_string());
        });
        thread_ = std::thread([this] { receiver_.run(running_, [](const std::string&) {}); });
    }
    ~ReceiverRun() {
        running_ = false;
        context_.shutdown();
        thread_.join();
    }
    StatusRecord record() { return receiver_.store(0).snapshot(); }
    std::set<std::string> heard() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(heard_, {});
    }

    zmq::context_t context_;
    FleetReceiver receiver_;

private:
    std::atomic<bool> running_{true};
    std::mutex mutex_;
    std::set<std::string> heard_;
    std::thread thread_;
};

const std::set<std::string> kTablePrefixes = {"111", "500", "501", "3009", "3012", "4021", "4034"};

// Also against a publisher that sends everything to whoever subscribes to anything: the socket's
// own filter still passes whatever begins with a table prefix (5001 with 500), so the table's record
// rests on the receiver's own check of the index.
TEST(FleetSubscription, NarrowedAsksForTheTableWidenedForAllAndNarrowedAgainForgetsTheRest) {
    for (const bool ignoring : {false, true}) {
        SCOPED_TRACE(ignoring ? "publisher ignoring subscriptions" : "publisher filtering");
        const int base = freeBasePort();
        Publisher publisher(base, ignoring);
        ReceiverRun run(base);
        ASSERT_TRUE(waitUntil([&] { return run.record().actualVelocity == 25; }, 5s));
        EXPECT_EQ(publisher.subscribed(), kTablePrefixes);
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(run.record().obstacleDetect, 0) << "5001 passes the prefix 500 but is not the table's";
        EXPECT_EQ(run.heard(), (std::set<std::string>{"111", "4034"}));

        run.receiver_.widen(0);
        EXPECT_TRUE(waitUntil(
            [&] { return run.record().targetVelocity == 7 && run.record().obstacleDetect == 1; }, 2s));
        EXPECT_EQ(publisher.subscribed(), std::set<std::string>{""});

        run.receiver_.narrow();
        ASSERT_TRUE(waitUntil([&] { return publisher.subscribed() == kTablePrefixes; }, 2s));
        run.heard();
        std::this_thread::sleep_for(100ms);
        const StatusRecord narrowed = run.record();
        EXPECT_EQ(narrowed.targetVelocity, 0) << "a value no longer received must not stay on";
        EXPECT_EQ(narrowed.obstacleDetect, 0);
        EXPECT_EQ(narrowed.actualVelocity, 25);
        EXPECT_EQ(run.heard(), (std::set<std::string>{"111", "4034"}));
    }
}

// Forgetting the rest keeps every value of every table object, whatever the table shows of it.
TEST(FleetSubscription, ForgettingTheRestKeepsEveryTableValue) {
    const std::map<int, std::string> table = {{111, "2"},     {500, "E12/x"}, {501, "W3/y"}, {3009, "17/9/1"},
                                              {3012, "40/7"}, {4021, "5"},    {4034, "25"}};
    StatusRecord all;
    StatusRecord tableOnly;
    for (const auto& [index, values] : table) {
        ASSERT_TRUE(isFleetTableObject(std::to_string(index)));
        handleStatusMessage(std::to_string(index), values, all);
        handleStatusMessage(std::to_string(index), values, tableOnly);
    }
    handleStatusMessage("4035", "7", all);
    handleStatusMessage("3011", "1/2/3/4/5/6/1", all);
    keepFleetTableValues(all);
    const auto text = [](const StatusRecord& record) {
        std::string joined;
        for (const StatusItem& item : formatStatusItems(record)) {
            joined += item.text + "\n";
        }
        return joined;
    };
    EXPECT_EQ(text(all), text(tableOnly));
    EXPECT_EQ(table.size(), kFleetTableObjects.size());
}

}  // namespace
}  // namespace kova::test
