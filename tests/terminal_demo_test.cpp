// End to end in a real terminal: the console and the simulated vehicle controller together. The
// operator switches the servo on, changes to automatic operation and sends the vehicle to point 15;
// the monitor shows the vehicle on its way and finally standing on point 15 at the end of its route.
#include <chrono>
#include <cstdlib>

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

}  // namespace
}  // namespace kova::test
