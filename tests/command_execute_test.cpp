// The command runner end to end against a real ROUTER socket: what reaches the controller, in which
// order, with which pauses, what it hands over to show, and what a stop does. What the window makes
// of the texts on screen is covered by the terminal tests.
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include <condition_variable>
#include <mutex>
#include "TestSupport.h"

#include "command/CommandRunner.h"
#include "command_test_controller.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Frames = std::vector<std::string>;

class ExecuteCommandTest : public ::testing::Test {
protected:
    ExecuteCommandTest() : port_(freeBasePort() + 2), runner_("tcp://127.0.0.1:" + std::to_string(port_)) {}

    // Runs a line as the command window does; the texts it shows are kept, replies marked with "R:".
    void execute(const std::string& line) {
        runner_.run(
            line,
            [this](const std::string& text, CommandRunner::Output kind) {
                std::lock_guard<std::mutex> lock(mutex_);
                shown_.push_back((kind == CommandRunner::Output::Reply  ? "R:"
                                  : kind == CommandRunner::Output::Help ? "HELP"
                                                                        : "") +
                                 text);
            },
            [this](long ms) {
                std::unique_lock<std::mutex> lock(mutex_);
                return !stopped_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_; });
            });
    }

    void stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        stopped_.notify_all();
    }

    std::vector<Frames> framesSeen(const TestController& controller) const {
        std::vector<Frames> frames;
        for (const ReceivedRequest& request : controller.requests()) {
            frames.push_back(request.frames);
        }
        return frames;
    }

    int port_;
    CommandRunner runner_;
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stop_ = false;
    std::vector<std::string> shown_;
};

TEST_F(ExecuteCommandTest, EachLineSendsItsRequestsInOrder) {
    TestController controller(port_, echoAnswer);
    for (const char* line : {"set / 100 / 0 / 1", "h", "goal/15", "log/debug/off", "steer/X0", "sgoal/3;7;12",
                             "setm/5/1/2/3", "getm/5", "m/b", "servo/rf", "switch/man"}) {
        execute(line);
    }
    const std::vector<Frames> expected = {
        {"set", "100/0/1"},  {"set", "4011/0/3"},  {"set", "3033/0/15"},     {"set", "3031/0/2"},
        {"set", "703/1/0"},  {"set", "3050/0/X0"}, {"set", "3034/0/3;7;12"}, {"set", "3031/0/3"},
        {"setm", "5/1/2/3"}, {"getm", "5"},        {"set", "4091/0/-1"},     {"set", "4092/0/8"},
        {"set", "112/0/3"},
    };
    EXPECT_EQ(framesSeen(controller), expected);
}

// Usage texts, the unrecognised-command text and bad input send nothing and leave the window able
// to run the next command.
TEST_F(ExecuteCommandTest, LinesThatOnlyShowATextSendNothing) {
    TestController controller(port_, echoAnswer);
    const std::vector<std::string> lines = {
        "",
        " ",
        "////",
        "set/1",
        "SET/1/0/1",
        "m/f/1",
        "h/1",
        "log/pub/ON",
        "\x01\x02\x1b[2J",
        "\xc3\xa9t\xff/1",
        std::string(255, 'x'),
        std::string(255, '/'),
        std::string(255, ' '),
        "%s%n%s%n",
    };
    for (const std::string& line : lines) {
        execute(line);
    }
    execute("get/1/0");
    EXPECT_EQ(framesSeen(controller), (std::vector<Frames>{{"get", "1/0"}}));
    ASSERT_EQ(shown_.size(), lines.size());  // the empty line shows nothing; get/1/0 its reply
    EXPECT_EQ(shown_[0], "wrong commnad [h|s|set|setm|get|getm|log|switch|m|control|servo|goal|sgoal|steer]");
    EXPECT_EQ(shown_[2], "set/index/subindex/value");
    EXPECT_EQ(shown_.back(), "R:get get:1/0");
}

TEST_F(ExecuteCommandTest, ShortFormsPauseAfterTheirReply) {
    TestController controller(port_, echoAnswer);
    const auto start = Clock::now();
    execute("h");
    EXPECT_GE(Clock::now() - start, 100ms);

    const auto goalStart = Clock::now();
    execute("goal/15");
    EXPECT_GE(Clock::now() - goalStart, 200ms);
    const auto seen = controller.requests();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_GE(seen[2].at - seen[1].at, 100ms) << "the second goal write came before the pause";
}

// A step left unanswered or refused ends a command of several steps there: nothing after it is
// sent, and its own text stays on show with a word for the rest.
TEST_F(ExecuteCommandTest, AGoalStopsAtAStepTheControllerDidNotTake) {
    {
        TestController silent(port_, [](const ReceivedRequest&, std::size_t) { return Answer{}; });
        execute("goal/15");
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(framesSeen(silent), (std::vector<Frames>{{"set", "3033/0/15"}}));
    }
    TestController refusing(port_, [](const ReceivedRequest&, std::size_t) {
        return Answer{{"ERR", "unknown point 99"}, 0ms};
    });
    execute("sgoal/1;x");
    execute("set/3033/0/1");  // one step: nothing left to hold back
    EXPECT_EQ(framesSeen(refusing), (std::vector<Frames>{{"set", "3034/0/1;x"}, {"set", "3033/0/1"}}));
    EXPECT_EQ(shown_, (std::vector<std::string>{"R:no response -- rest not sent",
                                                "R:set unknown point 99 -- rest not sent",
                                                "R:set unknown point 99"}));
}

// Stopping while a goal's first exchange is in progress: the command ends with that exchange,
// without its pause and without the second write.
TEST_F(ExecuteCommandTest, AStopEndsTheCommandAfterTheExchangeInProgress) {
    TestController controller(port_, [](const ReceivedRequest& request, std::size_t index) {
        Answer answer = echoAnswer(request, index);
        answer.delay = 300ms;
        return answer;
    });
    Clock::time_point returned;
    std::thread command([&] {
        execute("goal/15");
        returned = Clock::now();
    });
    ASSERT_TRUE(waitUntil([&] { return controller.count() == 1; }, 3s));
    const auto stopped = Clock::now();
    stop();
    command.join();
    EXPECT_LT(returned - stopped, 1000ms);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(controller.count(), 1u);
}

// The simulator refuses a goal point it does not know. Its route start would drive to the goal it
// took before, so after the refusal the vehicle must not move.
TEST_F(ExecuteCommandTest, ARefusedGoalLeavesTheSimulatedVehicleWhereItWas) {
    TempDir dir;
    ChildProcess sim({KOVA_SIM_BINARY, "--port", std::to_string(port_ - 2), "--seed", "1", "--time-scale",
                      "20", "--no-obstacles"},
                     dir.path());
    zmq::context_t context;
    zmq::socket_t status(context, zmq::socket_type::sub);
    status.set(zmq::sockopt::linger, 0);
    status.set(zmq::sockopt::rcvtimeo, 100);
    status.set(zmq::sockopt::subscribe, "");
    status.connect("tcp://127.0.0.1:" + std::to_string(port_ - 1));
    std::map<std::string, std::string> last;
    // Collects each object's latest values until `done` holds or `timeout` passes.
    const auto watch = [&](const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        for (const auto deadline = Clock::now() + timeout; Clock::now() < deadline;) {
            zmq::multipart_t message;
            if (message.recv(status) && message.size() >= 2) {
                const std::string index = message.popstr();
                last[index] = message.popstr();
                if (done())
                    return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(watch([&] { return last["111"] == "3"; }, 10s));
    execute("servo/on");
    ASSERT_TRUE(watch([&] { return last["7034"] == "1"; }, 5s));
    execute("switch/auto");
    execute("set/3033/0/15");  // a goal taken, its route not started
    ASSERT_TRUE(watch([&] { return !last["3009"].empty(); }, 2s));
    const std::string where = last["3009"];
    execute("goal/99");
    EXPECT_EQ(shown_.back(), "R:set 3033/0 = 99 ERR: unknown point 99 -- rest not sent");
    const bool moved =
        watch([&] { return last["3009"] != where || (last.count("4034") && last["4034"] != "0"); }, 2s);
    EXPECT_FALSE(moved) << "now at " << last["3009"] << ", speed " << last["4034"];
}

}  // namespace
}  // namespace kova::test
