// The console's exit while a command waits for its reply: the messaging context is shut down, the
// exchange ends at once and quietly, and nothing more is sent. Alone in its executable because it
// shuts the process's messaging context down for good.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "command/CommandRunner.h"
#include "command/RequestExchange.h"
#include "command_test_controller.h"
#include "net/Context.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(CommandShutdown, AnExchangeWaitingForItsReplyEndsAtOnceAndQuietly) {
    const int port = freeBasePort() + 2;
    TestController silent(port, [](const ReceivedRequest&, std::size_t) { return Answer{}; });

    CommandRunner runner("tcp://127.0.0.1:" + std::to_string(port));
    std::vector<std::string> shown;
    Clock::time_point returned;
    std::thread command([&] {
        runner.run(
            "goal/15", [&](const std::string& text, CommandRunner::Output) { shown.push_back(text); },
            [](long) { return true; });
        returned = Clock::now();
    });
    ASSERT_TRUE(waitUntil([&] { return silent.count() == 1; }, 3s));
    std::this_thread::sleep_for(100ms);
    const auto stopped = Clock::now();
    shutdownMessaging();
    command.join();
    // The receive had about a second left to wait; the shut-down cuts it short.
    EXPECT_LT(returned - stopped, 800ms);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(silent.count(), 1u) << "the goal's second write was sent after the stop";
    EXPECT_TRUE(shown.empty()) << "a stop is not a reply: " << shown.front();

    // Afterwards an exchange sends nothing and has nothing to show.
    RequestExchange exchange;
    EXPECT_EQ(exchange.exchange("get", "1/0").status, ExchangeStatus::Stopped);
    EXPECT_FALSE(exchange.hasSocket());
}

}  // namespace
}  // namespace kova::test
