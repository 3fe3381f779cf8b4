// The real console fed messages of a million frames: each is cut to what its stream needs, the
// operator is told what was dropped, and the controller's log file takes a few lines, not a million.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "controller_stand_in.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

TEST(TerminalMessageBounds, AMessageOfAMillionFramesIsCutAndTheDropIsShown) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    ControllerStandIn controller(base);
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(controller.publishUntilShown(pane, {"3009", "12/7/1"}, "po( 12)")) << pane.screenText();
    ASSERT_TRUE(controller.logUntilShown(pane, "joined", " joined")) << pane.screenText();

    std::vector<std::string> frames(1000000);
    frames[0] = "flood";
    controller.logLines(frames);
    frames.resize(100002);
    frames[0] = "3009";
    frames[1] = "13/7/1";
    controller.publish(frames);
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
