// The real console fed messages of a million frames: each is cut to what its stream needs, the
// operator is told what was dropped, and the controller's log file takes a few lines, not a million.
#include <algorithm>
#include <chrono>
#include <string>

#include <gtest/gtest.h>
#include <zmq_addon.hpp>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

void send(zmq::socket_t& pub, const std::vector<std::string>& head, std::size_t emptyFrames = 0) {
    zmq::multipart_t message;
    for (const std::string& frame : head) {
        message.addstr(frame);
    }
    for (std::size_t i = 0; i < emptyFrames; ++i) {
        message.add(zmq::message_t());
    }
    message.send(pub, ZMQ_DONTWAIT);
}

TEST(TerminalMessageBounds, AMessageOfAMillionFramesIsCutAndTheDropIsShown) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    zmq::context_t context;
    zmq::socket_t status(context, zmq::socket_type::pub);
    zmq::socket_t log(context, zmq::socket_type::pub);
    status.set(zmq::sockopt::linger, 0);
    log.set(zmq::sockopt::linger, 0);
    status.bind("tcp://127.0.0.1:" + std::to_string(base + 1));
    log.bind("tcp://127.0.0.1:" + std::to_string(base + 4));
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(waitUntil(
        [&] {
            send(log, {"joined"});
            send(status, {"3009", "12/7/1"});
            return pane.waitForText(" joined", 100ms) && pane.waitForText("po( 12)", 100ms);
        },
        8s))
        << pane.screenText();

    send(log, {"flood"}, 999999);
    send(status, {"3009", "13/7/1"}, 100000);
    const std::string note =
        "Network log: message over 64 lines/1 MiB, 999936 lines (0 bytes) dropped, 999936 in all";
    EXPECT_TRUE(pane.waitForText(note, 10s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("po( 13)", 5s)) << pane.screenText();  // the frames kept still count
    EXPECT_TRUE(pane.waitForText("1 msg over 4 frames/1 MiB: 99998 frames dropped", 5s)) << pane.screenText();
    std::string file;
    EXPECT_TRUE(waitUntil(
        [&] {
            file = readFile(dir.file("log/test.log"));
            return file.find(" " + note + "\n") != std::string::npos;
        },
        3s))
        << file;
    EXPECT_LT(std::count(file.begin(), file.end(), '\n'), 200) << "the controller log took the flood";
    ASSERT_TRUE(pane.stop());
}

}  // namespace
}  // namespace kova::test
