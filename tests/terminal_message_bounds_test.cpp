// The real console fed messages of a million frames: each is cut to what its stream needs, the
// operator is told how much was dropped, and the controller's log file takes a few lines, not a
// million.
#include <algorithm>
#include <chrono>
#include <string>

#include <gtest/gtest.h>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

void sendFlood(zmq::socket_t& pub, const std::vector<std::string>& head, std::size_t emptyFrames) {
    for (const std::string& frame : head) {
        pub.send(zmq::buffer(frame), zmq::send_flags::sndmore);
    }
    for (std::size_t i = 0; i < emptyFrames; ++i) {
        pub.send(zmq::message_t(), i + 1 < emptyFrames ? zmq::send_flags::sndmore : zmq::send_flags::none);
    }
}

TEST(TerminalMessageBounds, AMessageOfAMillionFramesIsCutAndTheDropIsShown) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    zmq::context_t context;
    zmq::socket_t status(context, zmq::socket_type::pub);
    zmq::socket_t log(context, zmq::socket_type::pub);
    for (auto* pub : {&status, &log}) {
        pub->set(zmq::sockopt::linger, 0);
    }
    status.bind("tcp://127.0.0.1:" + std::to_string(base + 1));
    log.bind("tcp://127.0.0.1:" + std::to_string(base + 4));
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(waitUntil(
        [&] {
            log.send(zmq::str_buffer("joined"), zmq::send_flags::dontwait);
            zmq::multipart_t message;
            message.addstr("3009");
            message.addstr("12/7/1");
            message.send(status, ZMQ_DONTWAIT);
            return pane.waitForText(" joined", 100ms) && pane.waitForText("po( 12)", 100ms);
        },
        8s))
        << pane.screenText();

    sendFlood(log, {"flood"}, 999999);
    sendFlood(status, {"3009", "13/7/1"}, 100000);
    EXPECT_TRUE(
        pane.waitForText("Network log: message over 64 lines/1 MiB, 999936 lines (0 bytes) dropped, "
                         "999936 in all",
                         10s))
        << pane.screenText();
    // The frames kept still count: a status message is [index, values].
    EXPECT_TRUE(pane.waitForText("po( 13)", 5s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("1 msg over 4 frames/1 MiB: 99998 frames dropped", 5s)) << pane.screenText();

    std::string file;
    ASSERT_TRUE(waitUntil(
        [&] {
            file = readFile(dir.file("log/test.log"));
            return file.find(" flood\n") != std::string::npos;
        },
        3s));
    EXPECT_LT(std::count(file.begin(), file.end(), '\n'), 200) << "the controller log took the flood";
    EXPECT_TRUE(waitUntil(
        [&] {
            file = readFile(dir.file("log/test.log"));
            return file.find(" Network log: message over 64 lines/1 MiB") != std::string::npos;
        },
        3s))
        << file;
    ASSERT_TRUE(pane.stop());
}

}  // namespace
}  // namespace kova::test
