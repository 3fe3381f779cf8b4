// The alarm journal against the real console and the simulator: a warning raised by a goal sent
// with the servo off, acknowledged by the named operator, cleared and closed; an unacknowledged
// alarm kept over a restart in log/alarms.db.
#include <chrono>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

void enter(TmuxPane& pane, const std::string& command) {
    pane.typeText(command);
    pane.sendKeys({"Enter"});
}

TEST(TerminalAlarms, RaiseAckClearCloseAndAnUnackedAlarmSurvivesARestart) {
    TempDir dir;
    const int port = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", port);
    ChildProcess sim({KOVA_SIM_BINARY, "--config", "conf.json", "--no-obstacles", "--seed", "1"}, dir.path(),
                     dir.file("sim-output.txt"));
    {
        TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --operator ann", dir.path(), 160, 30);
        ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
        ASSERT_TRUE(pane.waitForText(":State(ManualOp)", 5s)) << pane.screenText();

        enter(pane, "switch/auto");
        ASSERT_TRUE(pane.waitForText(":State(AutomaticOp)", 5s)) << pane.screenText();
        // The servo is off: the goal is refused with warning W110 (code and name in the two slots).
        enter(pane, "goal/15");
        ASSERT_TRUE(pane.waitForText("alarms: 2 active, 2 unacked", 5s)) << pane.screenText();
        enter(pane, "alarms");
        ASSERT_TRUE(pane.waitForText("active unacked warning 1 W110", 3s)) << pane.screenText();
        EXPECT_TRUE(pane.waitForText("> ", 1s)) << pane.screenText();
        enter(pane, "ack all");
        ASSERT_TRUE(pane.waitForText("2 alarms acknowledged by ann", 3s)) << pane.screenText();
        ASSERT_TRUE(pane.waitForText("active acked warning 1 W110 (ack ann)", 3s)) << pane.screenText();
        EXPECT_TRUE(pane.waitForText("alarms: 2 active, 0 unacked", 3s)) << pane.screenText();
        enter(pane, "ack");
        EXPECT_TRUE(pane.waitForText("Nothing to acknowledge", 3s)) << pane.screenText();

        enter(pane, "control/cw");
        ASSERT_TRUE(pane.waitForText("closed warning 1 W110 (ack ann)", 5s)) << pane.screenText();
        EXPECT_TRUE(pane.waitForScreen(
            [](const auto& s) { return s[0].find("alarms:") == std::string::npos; }, 3s))
            << pane.screenText();

        // Raised again and left unacknowledged.
        enter(pane, "goal/15");
        ASSERT_TRUE(pane.waitForText("alarms: 2 active, 2 unacked", 5s)) << pane.screenText();
        pane.sendKeys({"Escape"});
        ASSERT_TRUE(pane.stop());
    }
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path(), 160, 30);
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(pane.waitForText("alarms: 2 active, 2 unacked", 5s)) << pane.screenText();
    const std::string audit = readFile(dir.file("log/kovaConsole.log"));
    EXPECT_NE(audit.find("alarm ack all -> 2 alarms acknowledged by ann"), std::string::npos) << audit;
}

}  // namespace
}  // namespace kova::test
