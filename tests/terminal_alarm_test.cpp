// The alarm journal against the real console and the simulator: a warning raised by a goal sent
// with the servo off, acknowledged by the named operator, cleared and closed; an unacknowledged
// alarm kept over a restart in log/alarms.db; a journal that cannot be made; the fleet's journal
// with the link-silent alarm over a damaged journal moved aside; two consoles sharing one journal.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

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

// The session is recorded; its replay rebuilds the journal from the stream, in memory only, and
// refuses acknowledgements.
TEST(TerminalAlarms, RaiseAckClearCloseAnUnackedAlarmSurvivesARestartAndAReplayRebuildsTheJournal) {
    TempDir dir;
    const int port = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", port);
    ChildProcess sim({KOVA_SIM_BINARY, "--config", "conf.json", "--no-obstacles", "--seed", "1"}, dir.path(),
                     dir.file("sim-output.txt"));
    {
        TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --operator ann --record rec.kovarec", dir.path(), 160,
                      30);
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
    {
        TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path(), 160, 30);
        ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
        ASSERT_TRUE(pane.waitForText("alarms: 2 active, 2 unacked", 5s)) << pane.screenText();
        const std::string audit = readFile(dir.file("log/kovaConsole.log"));
        EXPECT_NE(audit.find("alarm ack all -> 2 alarms acknowledged by ann"), std::string::npos) << audit;
        ASSERT_TRUE(pane.stop());
    }

    std::filesystem::remove(dir.file("log/alarms.db"));
    TmuxPane replay(std::string(KOVA_CONSOLE_BINARY) + " --replay rec.kovarec --speed 8", dir.path(), 160, 30);
    ASSERT_TRUE(replay.waitForText("ended", 10s)) << replay.screenText();
    enter(replay, "alarms");
    ASSERT_TRUE(replay.waitForText("active unacked warning 1 W110", 3s)) << replay.screenText();
    EXPECT_TRUE(replay.waitForText("cleared unacked warning 1 W110", 3s)) << replay.screenText();
    enter(replay, "ack all");
    EXPECT_TRUE(replay.waitForText("Replay: alarms are acknowledged only live, not in a replay", 3s))
        << replay.screenText();
    replay.typeText("q");
    EXPECT_TRUE(replay.waitForExit(5s)) << replay.screenText();
    EXPECT_FALSE(std::filesystem::exists(dir.file("log/alarms.db"))) << "a replay writes no journal";
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

namespace kova::test {
namespace {

// A fleet of two simulated vehicles over a damaged journal: the journal is moved aside and a fresh
// one kept; the simulator stopping makes both links go silent, two alarms; a in the table opens the
// fleet's journal naming each vehicle, where ack and ack all work, and Esc goes back to the table.
TEST(TerminalAlarms, TheFleetJournalNamesEachVehicleWhoseLinkWentSilentOverADamagedJournalMovedAside) {
    TempDir dir;
    const int base = freeFleetBase(2);
    ASSERT_EQ(std::system((std::string(KOVA_SOURCE_DIR) + "/scripts/fleet-conf 2 " + std::to_string(base) + " > " +
                           dir.file("conf.json"))
                              .c_str()),
              0);
    std::filesystem::create_directories(dir.file("log"));
    writeFile(dir.file("log/alarms.db"), std::string(5000, 'x'));
    auto sim = std::make_unique<ChildProcess>(
        std::vector<std::string>{KOVA_SIM_BINARY, "--config", "conf.json", "--vehicles", "2", "--no-obstacles"},
        dir.path(), dir.file("sim-output.txt"));
    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --fleet --operator ann", dir.path(), 160, 30);
    ASSERT_TRUE(pane.waitForRow(0, "fleet: 2 vehicles, 2 live", 8s)) << pane.screenText();
    sim.reset();
    ASSERT_TRUE(pane.waitForRow(0, "fleet: 2 vehicles, 0 live, 2 silent", 8s)) << pane.screenText();

    pane.typeText("a");
    ASSERT_TRUE(pane.waitForText("ohv001 active unacked link silent", 3s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("ohv002 active unacked link silent", 3s)) << pane.screenText();
    enter(pane, "ack");
    ASSERT_TRUE(pane.waitForText("active acked link silent (ack ann)", 3s)) << pane.screenText();
    enter(pane, "ack all");
    EXPECT_TRUE(pane.waitForText("1 alarms acknowledged by ann", 3s)) << pane.screenText();
    pane.sendKeys({"Escape"});
    EXPECT_TRUE(pane.waitForRow(0, "fleet: 2 vehicles", 3s)) << pane.screenText();

    bool aside = false;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("log"))) {
        aside = aside || (entry.path().filename().string().rfind("alarms.db.damaged-", 0) == 0 &&
                          std::filesystem::file_size(entry.path()) == 5000);
    }
    EXPECT_TRUE(aside) << "the damaged file is kept beside the fresh journal";
    const std::string audit = readFile(dir.file("log/kovaConsole.log"));
    EXPECT_NE(audit.find("alarm journal damaged: moved aside to log/alarms.db.damaged-"), std::string::npos) << audit;
}

// Two consoles on one folder watching one vehicle: the raise is one alarm in both, and what one
// operator acknowledges the other console shows without a restart.
TEST(TerminalAlarms, TwoConsolesShareOneJournalAndSeeEachOthersAcks) {
    TempDir dir;
    writeConf(dir.path(), "127.0.0.1", freeBasePort());
    ChildProcess sim({KOVA_SIM_BINARY, "--config", "conf.json", "--no-obstacles", "--seed", "1"}, dir.path(),
                     dir.file("sim-output.txt"));
    TmuxPane ann(std::string(KOVA_CONSOLE_BINARY) + " --operator ann", dir.path(), 160, 30);
    TmuxPane bob(std::string(KOVA_CONSOLE_BINARY) + " --operator bob", dir.path(), 160, 30);
    ASSERT_TRUE(ann.waitForText(":State(ManualOp)", 8s)) << ann.screenText();
    ASSERT_TRUE(bob.waitForText(":State(ManualOp)", 8s)) << bob.screenText();
    enter(ann, "switch/auto");
    ASSERT_TRUE(ann.waitForText(":State(AutomaticOp)", 5s)) << ann.screenText();
    enter(ann, "goal/15");
    ASSERT_TRUE(ann.waitForText("alarms: 2 active, 2 unacked", 5s)) << ann.screenText();
    ASSERT_TRUE(bob.waitForText("alarms: 2 active, 2 unacked", 5s)) << bob.screenText();
    enter(ann, "alarms");
    enter(ann, "ack all");
    ASSERT_TRUE(ann.waitForText("2 alarms acknowledged by ann", 3s)) << ann.screenText();
    EXPECT_TRUE(bob.waitForText("alarms: 2 active, 0 unacked", 5s)) << bob.screenText();
    enter(bob, "alarms");
    EXPECT_TRUE(bob.waitForText("active acked warning 1 W110 (ack ann)", 3s)) << bob.screenText();
}

}  // namespace
}  // namespace kova::test
