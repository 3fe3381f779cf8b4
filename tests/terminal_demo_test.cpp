// End to end in a real terminal: the console and the simulated vehicle controller together. The
// operator switches the servo on, changes to automatic operation and sends the vehicle to point 15;
// the monitor shows the vehicle on its way and finally standing on point 15 at the end of its route.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

bool anyRowHas(const std::vector<std::string>& screen, const std::string& text) {
    for (const auto& row : screen) {
        if (row.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The actual velocity of the monitor's "Vel: (T:%.4f|A:%.4f|E:%.4f)[m/s]" item, or 0 when not shown.
double shownVelocity(const std::vector<std::string>& screen) {
    for (const auto& row : screen) {
        const auto at = row.find("Vel: (T:");
        if (at == std::string::npos) {
            continue;
        }
        const auto actual = row.find("|A:", at);
        if (actual != std::string::npos) {
            return std::strtod(row.c_str() + actual + 3, nullptr);
        }
    }
    return 0.0;
}

void enter(TmuxPane& pane, const std::string& command) {
    pane.typeText(command);
    pane.sendKeys({"Enter"});
}

TEST(TerminalDemo, OperatorSendsTheVehicleToPointFifteen) {
    TempDir dir;
    const int port = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", port);
    ChildProcess sim(
        {KOVA_SIM_BINARY, "--config", "conf.json", "--time-scale", "4", "--no-obstacles", "--seed", "1"},
        dir.path(), dir.file("sim-output.txt"));
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path(), 160, 30);

    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(pane.waitForText(":State(ManualOp)", 5s)) << pane.screenText();

    enter(pane, "servo/on");
    ASSERT_TRUE(pane.waitForText("state(F:servoOn, R:servoOn)", 5s)) << pane.screenText();
    ASSERT_TRUE(pane.waitForText("brake(rel)", 5s)) << pane.screenText();

    enter(pane, "switch/auto");
    ASSERT_TRUE(pane.waitForText(":State(AutomaticOp)", 5s)) << pane.screenText();

    enter(pane, "goal/15");
    ASSERT_TRUE(pane.waitForText("R-Gen: goal(po: 15|", 5s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("set 3031/0 = 2 OK", 3s)) << pane.screenText();

    // On the way: the actual velocity is shown and the route is not at its end.
    ASSERT_TRUE(pane.waitForScreen(
        [](const auto& s) { return shownVelocity(s) > 0.0 && anyRowHas(s, "EoR(N)"); }, 15s))
        << pane.screenText();

    // Arrived: standing on point 15 at the end of the route.
    ASSERT_TRUE(pane.waitForScreen(
        [](const auto& s) { return anyRowHas(s, "EoR(Y)") && anyRowHas(s, "R-Cur: po( 15)"); }, 30s))
        << pane.screenText();
    const auto screen = pane.screen();
    EXPECT_EQ(shownVelocity(screen), 0.0) << pane.screenText();
    EXPECT_TRUE(anyRowHas(screen, ":State(AutomaticOp)")) << pane.screenText();
    EXPECT_TRUE(anyRowHas(screen, "profile(Finish)")) << pane.screenText();
    EXPECT_EQ(readFile(dir.file("sim-output.txt")), "");
}

// Whether a process whose command line starts with `program` is running.
bool running(const std::string& program) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string cmdline = readFile(entry.path().string() + "/cmdline");
        if (cmdline.rfind(program, 0) == 0) {
            return true;
        }
    }
    return false;
}

// scripts/demo from an interactive shell, where job control is on: Ctrl-Z must not stop the script
// (the shell would paint its prompt over the console) and Ctrl-C ends the console and the
// simulator. Its build step runs against a stand-in project, so this takes seconds.
TEST(TerminalDemo, CtrlZInTheDemoReachesOnlyTheConsole) {
    TempDir root;
    std::filesystem::create_directories(root.file("scripts"));
    std::filesystem::create_directories(root.file("build"));
    std::filesystem::create_directories(root.file("run"));
    std::filesystem::copy_file(std::string(KOVA_SOURCE_DIR) + "/scripts/demo", root.file("scripts/demo"));
    writeFile(root.file("scripts/install-deps"), "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(root.file("scripts/install-deps"), std::filesystem::perms::owner_all);
    writeFile(root.file("CMakeLists.txt"),
              "cmake_minimum_required(VERSION 3.13)\nproject(standin NONE)\n"
              "add_custom_target(kovaConsoleOHV)\nadd_custom_target(kovaSimOHV)\n");
    std::filesystem::create_symlink(KOVA_CONSOLE_BINARY, root.file("build/kovaConsoleOHV"));
    std::filesystem::create_symlink(KOVA_SIM_BINARY, root.file("build/kovaSimOHV"));
    writeConf(root.file("run"), "127.0.0.1", freeBasePort());

    TmuxPane pane("bash --norc --noprofile -i", root.path(), 160, 30);
    pane.typeText("PS1='PROMPT$ '; KOVA_DEMO_DIR=" + root.file("run") + " ./scripts/demo");
    pane.sendKeys({"Enter"});
    ASSERT_TRUE(pane.waitForRow(24, "Command:", 20s)) << pane.screenText();
    const std::string simulator = root.file("build/kovaSimOHV");
    ASSERT_TRUE(waitUntil([&] { return running(simulator); }, 5s));
    pane.sendKeys({"C-z"});
    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(pane.waitForText("PROMPT$", 100ms)) << pane.screenText();
    EXPECT_FALSE(pane.waitForText("Stopped", 100ms)) << pane.screenText();
    pane.typeText("get/1/0");
    EXPECT_TRUE(pane.waitForRow(25, "get/1/0", 3s)) << "the console stopped\n" << pane.screenText();

    pane.sendKeys({"C-c"});
    EXPECT_TRUE(pane.waitForText("PROMPT$", 10s)) << pane.screenText();
    EXPECT_TRUE(waitUntil([&] { return !running(simulator); }, 5s)) << "the simulator outlived the demo";
}

}  // namespace
}  // namespace kova::test
