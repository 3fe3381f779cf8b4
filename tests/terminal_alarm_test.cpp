// The alarm journal against the real console and the simulator: a warning raised by a goal sent
// with the servo off, acknowledged by the named operator, cleared and closed; an unacknowledged
// alarm kept over a restart in log/alarms.db.
#include <chrono>
#include <filesystem>

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

// Whether the row showing `text` starts the alarm colour (red). tmux writes only the changes of
// attributes, so the row must be the first of its colour.
bool alertRow(const TmuxPane& pane, const std::string& text) {
    const auto plain = pane.screen();
    const auto looks = pane.screenWithAttributes();
    for (std::size_t i = 0; i < plain.size() && i < looks.size(); ++i) {
        if (plain[i].find(text) != std::string::npos) {
            return looks[i].find("\x1b[31m") != std::string::npos;
        }
    }
    return false;
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

        pane.typeText("ala");
        pane.sendKeys({"Tab"});
        ASSERT_TRUE(pane.waitForRow(25, "alarms", 3s)) << pane.screenText();
        pane.sendKeys({"Enter"});
        ASSERT_TRUE(pane.waitForText("No alarms", 3s)) << pane.screenText();
        pane.sendKeys({"Escape"});

        enter(pane, "switch/auto");
        ASSERT_TRUE(pane.waitForText(":State(AutomaticOp)", 5s)) << pane.screenText();
        // The servo is off: the goal is refused with warning W110 (code and name in the two slots).
        enter(pane, "goal/15");
        ASSERT_TRUE(pane.waitForText("alarms: 2 active, 2 unacked", 5s)) << pane.screenText();
        enter(pane, "alarms");
        ASSERT_TRUE(pane.waitForText("active unacked warning 1 W110", 3s)) << pane.screenText();
        EXPECT_TRUE(alertRow(pane, "active unacked warning 2 servoOff")) << pane.screenWithAttributes()[17];
        enter(pane, "ack all");
        ASSERT_TRUE(pane.waitForText("2 alarms acknowledged by ann", 3s)) << pane.screenText();
        ASSERT_TRUE(pane.waitForText("active acked warning 1 W110 (ack ann)", 3s)) << pane.screenText();
        EXPECT_TRUE(pane.waitForText("alarms: 2 active, 0 unacked", 3s)) << pane.screenText();
        EXPECT_FALSE(alertRow(pane, "active acked warning 2 servoOff"))
            << "acknowledged alarms are shown steady";
        enter(pane, "ack");
        EXPECT_TRUE(pane.waitForText("Nothing to acknowledge", 3s)) << pane.screenText();

        enter(pane, "control/cw");
        ASSERT_TRUE(pane.waitForText("closed warning 1 W110 (ack ann)", 5s)) << pane.screenText();
        EXPECT_TRUE(
            pane.waitForScreen([](const auto& s) { return s[0].find("alarms:") == std::string::npos; }, 3s))
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

// A journal that cannot be made (a folder stands in its place): the console runs on, alarms kept in
// memory, and the title says so.
TEST(TerminalAlarms, AJournalThatCannotBeMadeIsSaidInTheTitle) {
    TempDir dir;
    writeConf(dir.path(), "127.0.0.1", freeBasePort());
    std::filesystem::create_directories(dir.file("log/alarms.db"));
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path(), 160, 30);
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("journal not saved: ", 3s)) << pane.screenText();
}

}  // namespace
}  // namespace kova::test
