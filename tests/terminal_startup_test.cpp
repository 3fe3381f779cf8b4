// The real binary in a real terminal: banner, layout, title bars, the configuration-failure line,
// the line editor, and the shut-down paths.
#include <signal.h>

#include <cstdlib>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

// Waits for the working windows (the banner lasts 2000 ms).
void waitForWorkingWindows(const TmuxPane& pane) {
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
}

TEST(TerminalStartup, BannerThenWorkingWindowsWithTheConfigurationFailureLine) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForText("-= kovaConsoleOHV =-", 1500ms)) << pane.screenText();
    // The banner's title starts at screen row 8, column 30; the panel spans columns 15 to 62.
    EXPECT_EQ(pane.row(8).substr(30, 20), "-= kovaConsoleOHV =-");
    EXPECT_EQ(pane.row(10).substr(18, 43), "A powerful, flexible, configurable software");
    EXPECT_EQ(pane.row(24).find("Command:"), std::string::npos) << "working windows drawn during the banner";

    waitForWorkingWindows(pane);
    EXPECT_TRUE(rowStartsWith(pane.screen(), 0,
                              "monitor:   system_name<106>  -= kovaConsoleOHV v0.6 "
                              "(localhost:localhost) =-    version<101> release<102>"));
    EXPECT_TRUE(rowStartsWith(pane.screen(), 16, "Log:<2041>"));
    EXPECT_EQ(pane.row(16).substr(160 - 17, 13), "TVX Co., Ltd.");
    EXPECT_EQ(pane.row(24).substr(160 - 28, 23), "https://tvx.example.com");
    ASSERT_TRUE(pane.waitForText("1 ./conf.json: no such file", 2s)) << pane.screenText();
    EXPECT_TRUE(rowStartsWith(pane.screen(), 22, "0 Loading configuration file is failed"));
}

// Bold yellow on blue, from the first column to the last, on every title bar.
TEST(TerminalStartup, TitleBarsAreBoldYellowOnBlueAcrossTheFullWidth) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    waitForWorkingWindows(pane);
    const auto screen = pane.screenWithAttributes();
    for (int row : {0, 16, 24}) {
        ASSERT_LT(row, static_cast<int>(screen.size()));
        const std::string& line = screen[row];
        EXPECT_EQ(line.rfind("\x1b[1m\x1b[33m\x1b[44m", 0), 0u) << "row " << row << ": " << line;
        // No attribute change before the end of the row: the bar is one run of one look, but for the
        // link indicator at the monitor title's right end, which must stand out.
        const std::string bar = row == 0 ? line.substr(0, line.find("\x1b[31mstatus: waiting")) : line;
        EXPECT_EQ(bar.find("\x1b[", 1 + bar.find("\x1b[44m")), std::string::npos)
            << "row " << row << ": " << line;
    }
    // The last column of the bar is still painted: tmux prints the trailing blanks of a coloured run.
    EXPECT_GE(pane.screen()[16].size(), 160u - 4);
}

TEST(TerminalStartup, TypedTextIsEchoedAndClearedAfterEnter) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    waitForWorkingWindows(pane);
    pane.typeText("get/1/0");
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return rowStartsWith(s, 25, "get/1/0"); }, 3s))
        << pane.screenText();
    // The cursor waits behind the typed text even though the monitor redraws five times a second.
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(pane.cursorVisible());
    EXPECT_EQ(pane.cursorRow(), 25);
    EXPECT_EQ(pane.cursorCol(), 7);

    pane.sendKeys({"BSpace", "BSpace", "Left", "Up"});
    pane.typeText("9");
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return rowStartsWith(s, 25, "get/91"); }, 3s))
        << pane.screenText();
    pane.sendKeys({"Enter"});
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return s.size() > 25 && s[25].empty(); }, 3s))
        << pane.screenText();
    // Up recalls the line entered, and never inserts escape bytes.
    pane.sendKeys({"Up"});
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return rowStartsWith(s, 25, "get/91"); }, 3s))
        << pane.screenText();
    EXPECT_EQ(pane.row(25).substr(0, 7), "get/91 ");
}

void expectCleanEnd(TmuxPane& pane, const TempDir& dir, int sig) {
    waitForWorkingWindows(pane);
    ASSERT_EQ(::kill(pane.panePid(), sig), 0);
    int status = -1;
    ASSERT_TRUE(pane.waitForExit(5s, &status)) << pane.screenText();
    EXPECT_EQ(status, 0);
    // The terminal is handed back: curses left the alternate screen.
    EXPECT_EQ(pane.display("#{alternate_on}"), "0");
    const std::string log = readFile(dir.file("log/kovaConsole.log"));
    EXPECT_NE(log.find("[info] start kovaConsole\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[info] end kovaConsole\r\n"), std::string::npos) << log;
}

TEST(TerminalStartup, SigtermEndsCleanlyWithTheEndRecord) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    expectCleanEnd(pane, dir, SIGTERM);
}

TEST(TerminalStartup, SigintAndSighupEndCleanlyToo) {
    for (int sig : {SIGINT, SIGHUP}) {
        TempDir dir;
        TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
        expectCleanEnd(pane, dir, sig);
    }
}

TEST(TerminalStartup, MalformedHostIsReportedInTheLogWindowAndTheConsoleRuns) {
    TempDir dir;
    writeFile(dir.file("conf.json"), R"({"connection": [{"name": "v1", "IP": "bad host!", "port": 6000}]})");
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    waitForWorkingWindows(pane);
    ASSERT_TRUE(pane.waitForText("Network status: zmq error, ", 3s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("Network log: zmq error, ", 3s)) << pane.screenText();
    pane.typeText("still here");
    EXPECT_TRUE(pane.waitForText("still here", 3s)) << pane.screenText();
    EXPECT_FALSE(pane.paneDead());
}

TEST(TerminalStartup, UnopenableOperationLogIsReportedAndTheConsoleStillRuns) {
    TempDir dir;
    writeFile(dir.file("log"), "a file where the log directory should be");
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    waitForWorkingWindows(pane);
    EXPECT_TRUE(pane.waitForText("Log initialization failed: ", 3s)) << "in the log window\n"
                                                                     << pane.screenText();
    ASSERT_EQ(::kill(pane.panePid(), SIGTERM), 0);
    ASSERT_TRUE(pane.waitForExit(5s)) << pane.screenText();
    // Said on standard error once curses has handed the terminal back.
    EXPECT_NE(pane.historyText().find("Log initialization failed: "), std::string::npos)
        << pane.historyText();
}

TEST(TerminalStartup, NarrowTerminalAndResizesKeepTheConsoleAlive) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path(), 80, 26);
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    for (auto [cols, rows] : {std::pair{60, 20}, std::pair{200, 40}, std::pair{80, 26}, std::pair{160, 30}}) {
        pane.resize(cols, rows);
        ASSERT_TRUE(pane.waitForScreen(
            [rows = rows](const auto& s) { return static_cast<int>(s.size()) == rows; }, 3s));
        ASSERT_FALSE(pane.paneDead()) << cols << "x" << rows;
    }
    // Repainted at the layout of the start, and the command line still takes keys.
    ASSERT_TRUE(pane.waitForRow(24, "Command:", 3s)) << pane.screenText();
    pane.typeText("after resize");
    EXPECT_TRUE(pane.waitForText("after resize", 3s)) << pane.screenText();
    ASSERT_EQ(::kill(pane.panePid(), SIGTERM), 0);
    int status = -1;
    ASSERT_TRUE(pane.waitForExit(5s, &status)) << pane.screenText();
    EXPECT_EQ(status, 0);
}

// The console runs under a shell that reports the terminal's modes once it has ended, so the test
// sees what the operator's next command would get.
TEST(TerminalStartup, TerminalModesAreRestoredAfterEverySignal) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        TempDir dir;
        const std::string script = std::string("'") + KOVA_CONSOLE_BINARY +
                                   "'; code=$?; stty -a > modes.txt; echo console-exit=$code; sleep 30";
        TmuxPane pane("sh -c " + shellQuote(script), dir.path());
        ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
        const int console = std::atoi(runCommand("pgrep -P " + std::to_string(pane.panePid())).c_str());
        ASSERT_GT(console, 0);
        ASSERT_EQ(::kill(console, sig), 0);
        ASSERT_TRUE(pane.waitForText("console-exit=0", 5s)) << sig << "\n" << pane.screenText();
        const std::string modes = readFile(dir.file("modes.txt"));
        ASSERT_NE(modes.find("icanon"), std::string::npos) << modes;
        EXPECT_EQ(modes.find("-icanon"), std::string::npos) << modes;
        EXPECT_EQ(modes.find("-echo "), std::string::npos) << modes;
        EXPECT_EQ(modes.find("-icrnl"), std::string::npos) << modes;
        EXPECT_EQ(pane.display("#{alternate_on}"), "0");
    }
}

// User and system CPU ticks the process has used so far.
long cpuTicks(int pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto afterName = stat.rfind(')');
    std::istringstream fields(stat.substr(afterName + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int i = 3; fields >> field; ++i) {  // field 3 is the state
        if (i == 14) {
            utime = std::atol(field.c_str());
        } else if (i == 15) {
            stime = std::atol(field.c_str());
            break;
        }
    }
    return utime + stime;
}

char processState(int pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto afterName = stat.rfind(')');
    return afterName == std::string::npos ? '?' : stat[afterName + 2];
}

TEST(TerminalStartup, StandardInputAtItsEndCostsNoCpu) {
    TempDir dir;
    const std::string script = std::string("exec '") + KOVA_CONSOLE_BINARY + "' </dev/null";
    TmuxPane pane("sh -c " + shellQuote(script), dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    std::this_thread::sleep_for(300ms);
    const long before = cpuTicks(pane.panePid());
    std::this_thread::sleep_for(2s);
    // A spinning thread would use about 200 ticks in two seconds; the redraws use one or two.
    EXPECT_LT(cpuTicks(pane.panePid()) - before, 40);
    ASSERT_EQ(::kill(pane.panePid(), SIGTERM), 0);
    int status = -1;
    ASSERT_TRUE(pane.waitForExit(5s, &status));
    EXPECT_EQ(status, 0);
}

TEST(TerminalStartup, CtrlZNeverSuspendsTheConsoleMidDraw) {
    TempDir dir;
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    for (int i = 0; i < 5; ++i) {
        pane.sendKeys({"C-z"});
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_NE(processState(pane.panePid()), 'T');
    pane.typeText("still typing");
    EXPECT_TRUE(pane.waitForText("still typing", 3s)) << pane.screenText();
}

}  // namespace
}  // namespace kova::test
