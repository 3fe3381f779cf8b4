// The real binary at the edges of its life: a terminal it cannot drive, stray signals, a terminal
// too short for the command line, and a start-up step that fails.
#include <signal.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

// Runs `command` under a shell that keeps its standard error in err.txt and, once it has ended,
// prints its exit status and records the terminal's modes, so the test sees what the operator's
// next command would get.
std::string underShell(const std::string& command) {
    return "sh -c " + shellQuote(command + " 2> err.txt; echo exit=$?; stty -a > modes.txt; sleep 60");
}

void expectTerminalHandedBack(const TmuxPane& pane, const TempDir& dir) {
    EXPECT_EQ(pane.display("#{alternate_on}"), "0");
    const std::string modes = readFile(dir.file("modes.txt"));
    EXPECT_NE(modes.find("icanon"), std::string::npos) << modes;
    EXPECT_EQ(modes.find("-icanon"), std::string::npos) << modes;
    EXPECT_EQ(modes.find("-echo "), std::string::npos) << modes;
}

// With a terminal type curses does not know (or none at all, as under cron), the console says so in
// one line and ends at once, instead of hanging with its sockets open and its stop signals blocked.
TEST(TerminalHardEdges, AnUnknownTerminalTypeEndsAtOnceWithOneClearLine) {
    const struct {
        const char* env;
        const char* said;
    } cases[] = {
        {"TERM=nosuch", "kovaConsoleOHV: cannot start the screen: unknown terminal type 'nosuch'\n"},
        {"-u TERM", "kovaConsoleOHV: cannot start the screen: the terminal type is not set (TERM)\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeConf(dir.path(), "127.0.0.1", freeBasePort());
        TmuxPane pane(underShell(std::string("env ") + c.env + " '" + KOVA_CONSOLE_BINARY + "'"), dir.path());
        ASSERT_TRUE(pane.waitForText("exit=1", 5s)) << c.env << "\n" << pane.screenText();
        EXPECT_EQ(readFile(dir.file("err.txt")), c.said);
        const std::string log = readFile(dir.file("log/kovaConsole.log"));
        EXPECT_NE(log.find("[error] cannot start the screen: "), std::string::npos) << log;
        EXPECT_EQ(log.find("start kovaConsole"), std::string::npos) << log;
    }
}

// Signals from outside that mean nothing to the console neither end it nor take away its shut-down
// or its resizes.
TEST(TerminalHardEdges, StraySignalsNeitherEndTheConsoleNorSwitchOffItsShutDown) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    for (int sig : {SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM}) {
        ASSERT_EQ(::kill(pane.panePid(), sig), 0);
    }
    pane.typeText("still here");
    ASSERT_TRUE(pane.waitForText("still here", 3s)) << pane.screenText();
    EXPECT_FALSE(pane.paneDead());

    // A resize still repaints: what a narrow terminal cut off comes back when it grows again.
    pane.resize(80, 30);
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return s.size() > 16 && s[16].size() <= 80; }, 3s));
    pane.resize(160, 30);
    EXPECT_TRUE(pane.waitForScreen(
        [](const auto& s) { return s.size() > 16 && s[16].find("TVX Co., Ltd.") == 160 - 17; }, 3s))
        << pane.screenText();

    ASSERT_EQ(::kill(pane.panePid(), SIGTERM), 0);
    int status = -1;
    ASSERT_TRUE(pane.waitForExit(5s, &status)) << pane.screenText();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(pane.display("#{alternate_on}"), "0");
}

// Too short for the input area: the output field says how many rows are needed, keys are refused
// instead of ending the command line, and once the terminal is large enough commands work.
TEST(TerminalHardEdges, ATerminalTooShortForTheCommandLineSaysSoAndRecovers) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path(), 160, 25);
    const std::string notice = "terminal too small: the command line needs 26 rows, this one has 25";
    ASSERT_TRUE(pane.waitForRow(24, "Command:  " + notice, 8s)) << pane.screenText();
    pane.typeText("m");
    pane.sendKeys({"Enter"});
    std::this_thread::sleep_for(300ms);
    ASSERT_FALSE(pane.paneDead());

    pane.resize(160, 30);
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return s.size() == 30; }, 3s));
    EXPECT_TRUE(
        pane.waitForScreen([&](const auto&) { return pane.row(24).find(notice) == std::string::npos; }, 3s))
        << "the notice stays after the terminal grew\n"
        << pane.screenText();
    pane.typeText("m");
    pane.sendKeys({"Enter"});
    EXPECT_TRUE(pane.waitForRow(24, "Command:  m/[f|b|s|] -- manual", 3s)) << pane.screenText();

    // A running console that shrinks says so at once, with the new height, and not after it grows.
    pane.resize(120, 25);
    EXPECT_TRUE(pane.waitForRow(24, "Command:  " + notice, 3s)) << pane.screenText();
    pane.resize(100, 25);
    EXPECT_TRUE(pane.waitForRow(24, "Command:  " + notice, 3s)) << "a resize cleared it\n"
                                                                << pane.screenText();
    pane.resize(160, 28);
    EXPECT_TRUE(
        pane.waitForScreen([&](const auto&) { return pane.row(24).find(notice) == std::string::npos; }, 3s))
        << pane.screenText();
}

// Shorter still: the title line is off screen too, so the log window carries the notice.
TEST(TerminalHardEdges, WithoutTheCommandTitleLineTheLogWindowSaysTheTerminalIsTooSmall) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path(), 160, 22);
    EXPECT_TRUE(pane.waitForText("terminal too small: the command line needs 26 rows, this one has 22", 8s))
        << pane.screenText();
}

// A thread or the timer that cannot be started, or memory running out, during start-up: the threads
// already running are stopped, the terminal is handed back, the failure is said once on standard
// error and in the operation log with the run's end, and the exit status says it failed.
TEST(TerminalHardEdges, AStartUpStepThatFailsEndsTheRunCleanlyAndSaysWhy) {
    const struct {
        const char* step;
        const char* kind;
        const char* said;
    } cases[] = {
        {"timer", "system", "the run failed: System exception: cannot create thread"},
        {"monitor thread", "memory", "the run failed: std::bad_alloc"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeConf(dir.path(), "127.0.0.1", freeBasePort());
        TmuxPane pane(underShell(std::string("'") + KOVA_FAULT_PROBE_BINARY + "' '" + c.step + "' " + c.kind),
                      dir.path());
        ASSERT_TRUE(pane.waitForText("exit=1", 10s)) << c.step << "\n" << pane.screenText();
        EXPECT_EQ(readFile(dir.file("err.txt")), std::string("kovaConsoleOHV: ") + c.said + "\n");
        expectTerminalHandedBack(pane, dir);
        const std::string log = readFile(dir.file("log/kovaConsole.log"));
        const auto error = log.find(std::string("[error] ") + c.said + "\r\n");
        EXPECT_NE(error, std::string::npos) << log;
        EXPECT_NE(log.find("[info] end kovaConsole\r\n", error), std::string::npos) << log;
    }
}

}  // namespace
}  // namespace kova::test
