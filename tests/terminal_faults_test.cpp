// The console against a controller that is absent, late, restarting or broken, and against bad
// configuration files: it stays alive, keeps what it should, and ends cleanly.
#include <signal.h>
#include <sys/stat.h>

#include <thread>

#include <gtest/gtest.h>
#include <zmq.hpp>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

// A log publisher on base + 4, made and dropped at will.
class LogPublisher {
public:
    explicit LogPublisher(int basePort) : socket_(context_, zmq::socket_type::pub) {
        socket_.set(zmq::sockopt::linger, 0);
        socket_.bind("tcp://127.0.0.1:" + std::to_string(basePort + 4));
    }
    void publish(const std::string& line) { socket_.send(zmq::buffer(line), zmq::send_flags::dontwait); }

private:
    zmq::context_t context_;
    zmq::socket_t socket_;
};

// Publishes `line` every 100 ms until it shows on the pane (subscriptions take a moment to arrive).
bool publishUntilShown(LogPublisher& publisher, const TmuxPane& pane, const std::string& line) {
    return waitUntil(
        [&] {
            publisher.publish(line);
            return pane.waitForText(line, 100ms);
        },
        8s);
}

TEST(TerminalFaults, LogWindowConnectsToALateControllerAndReconnectsAfterARestart) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    std::this_thread::sleep_for(500ms);  // nobody is listening yet

    {
        LogPublisher controller(base);
        ASSERT_TRUE(publishUntilShown(controller, pane, "first life")) << pane.screenText();
    }
    // The controller is gone for a while, then comes back on the same port.
    std::this_thread::sleep_for(700ms);
    LogPublisher restarted(base);
    ASSERT_TRUE(publishUntilShown(restarted, pane, "second life")) << pane.screenText();
    EXPECT_FALSE(pane.paneDead());
}

TEST(TerminalFaults, EveryKindOfBrokenConfigurationStillStartsWithTheFailureLine) {
    const char* defects[] = {
        "{\"connection\": [",
        "{\"connection\": [{\"name\": \"a\", \"IP\": \"h\"}]}",
        "{\"connection\": [{\"name\": \"a\", \"IP\": \"h\", \"port\": 1}, {\"name\": \"a\"}]}",
        "\x01\x02\xff",
    };
    for (const char* defect : defects) {
        TempDir dir;
        writeFile(dir.file("conf.json"), defect);
        TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
        EXPECT_TRUE(pane.waitForText("0 Loading configuration file is failed", 8s)) << defect << "\n"
                                                                                    << pane.screenText();
        ASSERT_EQ(::kill(pane.panePid(), SIGTERM), 0);
        int status = -1;
        ASSERT_TRUE(pane.waitForExit(5s, &status));
        EXPECT_EQ(status, 0);
    }
}

TEST(TerminalFaults, ConfigurationPathThatIsADirectoryIsAnErrorRecord) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("conf.json").c_str(), 0755), 0);
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForText("0 Loading configuration file is failed", 8s)) << pane.screenText();
    ASSERT_EQ(::kill(pane.panePid(), SIGTERM), 0);
    ASSERT_TRUE(pane.waitForExit(5s));
    const std::string log = readFile(dir.file("log/kovaConsole.log"));
    EXPECT_NE(log.find("[error] Loading a configuration file is failed: "), std::string::npos) << log;
    EXPECT_NE(log.find("[info] end kovaConsole"), std::string::npos) << log;
}

}  // namespace
}  // namespace kova::test
