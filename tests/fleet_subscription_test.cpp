// The fleet receiver's narrowed and widened status streams over real sockets on loopback: what it
// asks the publisher for, what reaches the record, and a publisher that ignores what it is asked.
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

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
// 500). An XPUB, so the test sees the prefixes subscribed; `ignoring` sends everything to whoever
// subscribes to anything. Its thread also runs one vehicle's fleet receiver.
class Link {
public:
    Link(int base, bool ignoring)
        : xpub_(context_, zmq::socket_type::xpub),
          receiver_(context_, {ConnectionEntry{ControllerAddress{"v1", "127.0.0.1", base}, ""}}) {
        xpub_.set(zmq::sockopt::linger, 0);
        xpub_.set(zmq::sockopt::xpub_manual, ignoring ? 1 : 0);
        xpub_.bind("tcp://127.0.0.1:" + std::to_string(base + 1));
        receiver_.onReceived([this](std::size_t, const zmq::multipart_t& message) {
            std::lock_guard<std::mutex> lock(mutex_);
            heard_.insert(message[0].to_string());
        });
        receiving_ = std::thread([this] { receiver_.run(running_, [](const std::string&) {}); });
        publishing_ = std::thread([this, ignoring] {
            zmq::message_t asked;
            while (running_) {
                while (xpub_.recv(asked, zmq::recv_flags::dontwait)) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    const std::string prefix = asked.to_string().substr(1);
                    if (asked.data<char>()[0] == 1) {
                        subscribed_.insert(prefix);
                    } else {
                        subscribed_.erase(subscribed_.find(prefix));
                    }
                    if (ignoring) {
                        xpub_.set(zmq::sockopt::subscribe, "");  // the last sender gets every message
                    }
                }
                for (const char* frames : {"111|2", "4034|25", "4035|7", "5001|1"}) {
                    const std::string text = frames;
                    zmq::multipart_t message;
                    message.addstr(text.substr(0, text.find('|')));
                    message.addstr(text.substr(text.find('|') + 1));
                    message.send(xpub_);
                }
                std::this_thread::sleep_for(20ms);
            }
        });
    }
    ~Link() {
        running_ = false;
        publishing_.join();
        context_.shutdown();
        receiving_.join();
    }

    std::set<std::string> subscribed() {
        std::lock_guard<std::mutex> lock(mutex_);
        return {subscribed_.begin(), subscribed_.end()};
    }
    // The indices the receiver's listener was handed since the last call.
    std::set<std::string> heard() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(heard_, {});
    }
    StatusRecord record() { return receiver_.store(0).snapshot(); }

    zmq::context_t context_;
    zmq::socket_t xpub_;
    FleetReceiver receiver_;

private:
    std::atomic<bool> running_{true};
    std::mutex mutex_;
    std::multiset<std::string> subscribed_;
    std::set<std::string> heard_;
    std::thread receiving_;
    std::thread publishing_;
};

const std::set<std::string> kTablePrefixes = {"111", "500", "501", "3009", "3012", "4021", "4034"};

// Also against a publisher that sends everything to whoever subscribes to anything: the socket's
// own filter still passes whatever begins with a table prefix (5001 with 500), so the table's record
// rests on the receiver's own check of the index.
TEST(FleetSubscription, NarrowedAsksForTheTableWidenedForAllAndNarrowedAgainForgetsTheRest) {
    for (const bool ignoring : {false, true}) {
        SCOPED_TRACE(ignoring ? "publisher ignoring subscriptions" : "publisher filtering");
        const int base = freeBasePort();
        Link run(base, ignoring);
        ASSERT_TRUE(waitUntil([&] { return run.record().actualVelocity == 25; }, 5s));
        EXPECT_TRUE(waitUntil([&] { return run.subscribed() == kTablePrefixes; }, 2s));
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(run.record().obstacleDetect, 0) << "5001 passes the prefix 500 but is not the table's";
        EXPECT_EQ(run.heard(), (std::set<std::string>{"111", "4034"}));

        run.receiver_.widen(0);
        EXPECT_TRUE(waitUntil(
            [&] { return run.record().targetVelocity == 7 && run.record().obstacleDetect == 1; }, 2s));
        EXPECT_TRUE(waitUntil([&] { return run.subscribed() == std::set<std::string>{""}; }, 2s));

        run.receiver_.narrow();
        ASSERT_TRUE(waitUntil([&] { return run.subscribed() == kTablePrefixes; }, 2s));
        run.heard();
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(run.record().targetVelocity, 0) << "a value no longer received must not stay on";
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
