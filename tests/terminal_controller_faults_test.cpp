// The console against the simulated controller when it is absent, restarts, stays silent, answers
// late or publishes garbage: the console stays alive, reconnects on its own, and ends cleanly.
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

// The run time of the monitor's "run(%.3fs|..." item, or -1 when it is not on screen.
double shownRunTime(const TmuxPane& pane) {
    for (const auto& row : pane.screen()) {
        const auto at = row.find("run(");
        if (at != std::string::npos) {
            return std::strtod(row.c_str() + at + 4, nullptr);
        }
    }
    return -1;
}

class ControllerFaults : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = freeBasePort();
        writeConf(dir_.path(), "127.0.0.1", port_);
    }

    std::unique_ptr<ChildProcess> startSimulator(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv = {KOVA_SIM_BINARY,  "--config", "conf.json",
                                         "--no-obstacles", "--seed",   "7"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return std::make_unique<ChildProcess>(argv, dir_.path(), dir_.file("sim-output.txt"));
    }

    void startConsole() {
        pane_ = std::make_unique<TmuxPane>(KOVA_CONSOLE_BINARY, dir_.path());
        ASSERT_TRUE(pane_->waitForWorkingWindows()) << pane_->screenText();
    }

    void enter(const std::string& command) {
        pane_->typeText(command);
        pane_->sendKeys({"Enter"});
    }

    // The command title line's output field, from column 10.
    std::string output() const { return pane_->row(24).substr(10, 100); }

    TempDir dir_;
    int port_ = 0;
    std::unique_ptr<TmuxPane> pane_;
};

TEST_F(ControllerFaults, AbsentAtStartThenAppearingThenRestartingIsFollowedOnItsOwn) {
    startConsole();
    std::this_thread::sleep_for(1s);  // nobody publishes yet: initial values stay
    EXPECT_NE(pane_->screenText().find(":State(StartUp)"), std::string::npos) << pane_->screenText();

    auto sim = startSimulator();
    ASSERT_TRUE(pane_->waitForText(":State(ManualOp)", 10s)) << pane_->screenText();
    ASSERT_TRUE(waitUntil([&] { return shownRunTime(*pane_) > 2.0; }, 10s)) << pane_->screenText();
    const double before = shownRunTime(*pane_);

    // A crash: the last values stay on screen while the controller is away.
    sim->signal(SIGKILL);
    ASSERT_TRUE(sim->waitExit(3s));
    std::this_thread::sleep_for(800ms);
    EXPECT_NE(pane_->screenText().find(":State(ManualOp)"), std::string::npos);

    // Back again: its run time starts from zero, and its log lines reach the log window.
    sim = startSimulator();
    ASSERT_TRUE(waitUntil([&] { return shownRunTime(*pane_) >= 0 && shownRunTime(*pane_) < before; }, 10s))
        << pane_->screenText();
    ASSERT_TRUE(waitUntil(
        [&] {
            enter("get/112/0");
            return pane_->waitForText("request get 112/0", 1500ms);
        },
        15s))
        << pane_->screenText();
    EXPECT_FALSE(pane_->paneDead());
}

TEST_F(ControllerFaults, MalformedFramesNeverStopTheMonitor) {
    auto sim = startSimulator({"--fault", "malformed"});
    startConsole();
    ASSERT_TRUE(pane_->waitForText(":State(ManualOp)", 10s)) << pane_->screenText();
    const double first = shownRunTime(*pane_);
    EXPECT_TRUE(waitUntil([&] { return shownRunTime(*pane_) > first + 1.0; }, 5s)) << pane_->screenText();
    enter("get/112/0");
    EXPECT_TRUE(pane_->waitForText("get ", 5s)) << pane_->screenText();
    EXPECT_FALSE(pane_->paneDead());
}

TEST_F(ControllerFaults, SilentControllerGivesNoResponseAndSigintDuringARequestEndsCleanly) {
    auto sim = startSimulator({"--fault", "never-answer"});
    startConsole();
    enter("goal/15");
    ASSERT_TRUE(waitUntil([&] { return output().rfind("no response", 0) == 0; }, 5s)) << pane_->screenText();

    enter("get/112/0");
    std::this_thread::sleep_for(300ms);  // the request is waiting for its reply
    ASSERT_EQ(::kill(pane_->panePid(), SIGINT), 0);
    int status = -1;
    ASSERT_TRUE(pane_->waitForExit(2s, &status)) << pane_->screenText();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(pane_->display("#{alternate_on}"), "0");
    EXPECT_NE(readFile(dir_.file("log/kovaConsole.log")).find("[info] end kovaConsole"), std::string::npos);
}

TEST_F(ControllerFaults, LateRepliesAreNeverShownAndTheNextRequestGetsItsOwn) {
    auto sim = startSimulator({"--fault", "late-answer"});
    startConsole();
    enter("get/112/0");
    ASSERT_TRUE(waitUntil([&] { return output().rfind("no response", 0) == 0; }, 5s)) << pane_->screenText();
    // The late reply to the first request arrives on a dropped socket: it never shows.
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(output().rfind("no response", 0), 0u) << pane_->screenText();
}

}  // namespace
}  // namespace kova::test
