// The fleet view against the real binary, with several controllers of the test's own on loopback:
// the table, its selection, its filter and order, Enter into a vehicle, and the command "fleet" back.
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "controller_stand_in.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

// Whether a captured row (with its attributes) is drawn in reverse video: the selected row.
bool reversed(const std::string& row) {
    return row.find("\x1b[7m") != std::string::npos || row.find(";7m") != std::string::npos;
}

class TerminalFleetTest : public ::testing::Test {
protected:
    // `count` vehicles in conf.json, the first `served` of them with a controller of the test's own.
    void start(int count, int served, int rows = 30) {
        std::string conf = "{\"connection\": [";
        for (int i = 0; i < count; ++i) {
            const std::string name = "ohv" + std::string(i < 9 ? "00" : "0") + std::to_string(i + 1);
            const int base = freeBasePort();
            conf += std::string(i == 0 ? "" : ", ") + "{\"name\": \"" + name +
                    "\", \"IP\": \"127.0.0.1\", \"port\": " + std::to_string(base) + "}";
            if (i < served) {
                vehicles_.push_back(std::make_unique<ControllerStandIn>(base));
            }
        }
        writeFile(dir_.file("conf.json"), conf + "]}");
        pane_ =
            std::make_unique<TmuxPane>(std::string(KOVA_CONSOLE_BINARY) + " --fleet", dir_.path(), 160, rows);
        ASSERT_TRUE(pane_->waitForRow(0, "fleet: " + std::to_string(count) + " vehicles", 8s))
            << pane_->screenText();
    }

    // Publishes `values` of `index` for vehicle `i` until the table's row `row` shows `shown`.
    bool publishUntilRowShows(std::size_t i, const std::string& index, const std::string& values, int row,
                              const std::string& shown) {
        return waitUntil(
            [&] {
                vehicles_[i]->publish({index, values});
                return pane_->waitForScreen(
                    [&](const auto& s) { return s[row].find(shown) != std::string::npos; }, 100ms);
            },
            8s);
    }

    // Waits until the title bar holds `text`.
    bool titleShows(const std::string& text) {
        return pane_->waitForScreen([&](const auto& s) { return s[0].find(text) != std::string::npos; }, 3s);
    }

    TempDir dir_;
    std::vector<std::unique_ptr<ControllerStandIn>> vehicles_;
    std::unique_ptr<TmuxPane> pane_;
};

TEST_F(TerminalFleetTest, TheTableShowsEveryVehicleAndTheOnesInTroubleStandOut) {
    start(3, 3);
    ASSERT_TRUE(pane_->waitForRow(2, "ohv001           127.0.0.1:", 3s)) << pane_->screenText();
    EXPECT_TRUE(rowStartsWith(pane_->screen(), 3, "ohv002"));
    EXPECT_TRUE(rowStartsWith(pane_->screen(), 4, "ohv003"));
    EXPECT_NE(pane_->row(3).find("waiting"), std::string::npos);

    ASSERT_TRUE(publishUntilRowShows(0, "111", "4", 2, "live         -         AutomaticOp"));
    ASSERT_TRUE(publishUntilRowShows(2, "501", "W12/", 4, "W12|"));
    EXPECT_TRUE(pane_->waitForRow(0, "fleet: 3 vehicles, 2 live, 0 silent, 1 waiting, 1 in alarm", 3s))
        << pane_->screen()[0];
    // The vehicle in alarm stands out in yellow; the selection (the first row) in reverse video.
    const auto looks = pane_->screenWithAttributes();
    EXPECT_NE(looks[4].find("\x1b[33m"), std::string::npos) << looks[4];
    EXPECT_TRUE(reversed(looks[2])) << looks[2];
    // Quiet for two seconds: silent, in red.
    ASSERT_TRUE(
        pane_->waitForScreen([](const auto& s) { return s[2].find("silent 2s") != std::string::npos; }, 5s))
        << pane_->screenText();
    EXPECT_NE(pane_->screenWithAttributes()[2].find("\x1b[31m"), std::string::npos);
}

// Enter opens the selected vehicle in the three windows, talking to it alone; "fleet" goes back to
// a table that kept up meanwhile.
TEST_F(TerminalFleetTest, EnterOpensTheSelectedVehicleAndFleetGoesBack) {
    start(3, 3);
    pane_->sendKeys({"Down", "j", "k"});
    ASSERT_TRUE(
        pane_->waitForScreen([&](const auto&) { return reversed(pane_->screenWithAttributes()[3]); }, 3s))
        << pane_->screenText();
    pane_->sendKeys({"Enter"});
    ASSERT_TRUE(
        pane_->waitForRow(0, "monitor:   system_name<106>  -= kovaConsoleOHV v0.6 (ohv002:127.0.0.1)", 3s))
        << pane_->screenText();
    ASSERT_TRUE(pane_->waitForWorkingWindows()) << pane_->screenText();

    // Its status, its log lines, and the commands go to it alone.
    ASSERT_TRUE(vehicles_[1]->publishUntilShown(*pane_, {"3009", "12/7/1"}, "R-Cur: po( 12)"));
    ASSERT_TRUE(waitUntil(
        [&] {
            vehicles_[0]->logLine("from the first");
            vehicles_[1]->logLine("from the second");
            return pane_->waitForText(" from the second", 100ms);
        },
        8s))
        << pane_->screenText();
    EXPECT_EQ(pane_->screenText().find("from the first"), std::string::npos);
    pane_->typeText("get/1/0");
    pane_->sendKeys({"Enter"});
    ASSERT_TRUE(pane_->waitForText("Command:  get get:1/0", 3s)) << pane_->screenText();
    EXPECT_EQ(vehicles_[1]->requests.count(), 1u);
    EXPECT_EQ(vehicles_[0]->requests.count() + vehicles_[2]->requests.count(), 0u);

    // Meanwhile the first vehicle moves on; back in the table its row is current.
    vehicles_[0]->publish({"3009", "33/1/1"});
    pane_->typeText("fleet");
    pane_->sendKeys({"Enter"});
    ASSERT_TRUE(pane_->waitForRow(0, "fleet: 3 vehicles", 3s)) << pane_->screenText();
    EXPECT_TRUE(publishUntilRowShows(0, "3009", "33/1/1", 2, "  33 "));
    EXPECT_TRUE(reversed(pane_->screenWithAttributes()[3])) << "the selection moved";
}

// Finding a vehicle: s cycles the order named in the title; / filters by name as it is typed, a filter
// matching nothing says so, Esc clears it, and Enter opens the selected row's own vehicle.
TEST_F(TerminalFleetTest, FilterAndOrderFindTheVehicleEnterOpens) {
    start(12, 0, 20);
    ASSERT_TRUE(titleShows("order: configuration")) << pane_->screen()[0];
    for (const char* order : {"alarms first", "silent first", "name", "configuration"}) {
        pane_->typeText("s");
        ASSERT_TRUE(titleShows(std::string("order: ") + order)) << pane_->screen()[0];
    }
    pane_->typeText("/xyz");
    ASSERT_TRUE(pane_->waitForRow(0, "fleet: 0 of 12 match /xyz", 3s)) << pane_->screen()[0];
    EXPECT_TRUE(rowStartsWith(pane_->screen(), 2, "no vehicle matches /xyz")) << pane_->screenText();
    pane_->sendKeys({"Escape"});
    ASSERT_TRUE(pane_->waitForRow(0, "fleet: 12 vehicles", 3s)) << pane_->screen()[0];

    pane_->typeText("/V01");
    pane_->sendKeys({"Enter"});
    ASSERT_TRUE(pane_->waitForRow(0, "fleet: 3 of 12 match /V01", 3s)) << pane_->screen()[0];
    EXPECT_TRUE(rowStartsWith(pane_->screen(), 2, "ohv010"));
    EXPECT_TRUE(rowStartsWith(pane_->screen(), 4, "ohv012"));
    EXPECT_TRUE(pane_->screen()[5].find_first_not_of(' ') == std::string::npos) << pane_->screenText();
    pane_->sendKeys({"Down", "Enter"});
    EXPECT_TRUE(titleShows("(ohv011:127.0.0.1)")) << pane_->screenText();
}

// More vehicles than rows: the table scrolls, and the selection stays on screen.
TEST_F(TerminalFleetTest, ALongTableScrollsWithTheSelection) {
    start(40, 0, 20);
    ASSERT_TRUE(pane_->waitForRow(2, "ohv001", 3s)) << pane_->screenText();
    EXPECT_TRUE(rowStartsWith(pane_->screen(), 19, "ohv018"));
    pane_->sendKeys({"End"});
    ASSERT_TRUE(pane_->waitForRow(19, "ohv040", 3s)) << pane_->screenText();
    EXPECT_TRUE(reversed(pane_->screenWithAttributes()[19]));
    // A page up: 18 rows back, the selection at the top of the window.
    pane_->sendKeys({"PPage"});
    ASSERT_TRUE(pane_->waitForRow(2, "ohv022", 3s)) << pane_->screenText();
    EXPECT_TRUE(reversed(pane_->screenWithAttributes()[2]));
}

// Every element of the file is a row: one without a port says so in yellow and the title counts it;
// a wide name keeps the later columns in place and the row within the window.
TEST_F(TerminalFleetTest, AnElementThatCannotStartIsARowThatSaysWhy) {
    writeFile(dir_.file("conf.json"), R"({"connection": [{"name": "ohv001", "IP": "127.0.0.1", "port": 5000},
        {"name": "ohv002", "IP": "127.0.0.1"},
        {"name": "\u5929\u4e95\u642c\u9001\u8eca\u4e00\u53f7\u6a5f\u897f\u68df", "IP": "127.0.0.1", "port": 5010}]})");
    pane_ = std::make_unique<TmuxPane>(std::string(KOVA_CONSOLE_BINARY) + " --fleet", dir_.path(), 120, 10);
    ASSERT_TRUE(
        pane_->waitForRow(0, "fleet: 3 vehicles, 0 live, 0 silent, 2 waiting, 0 in alarm, 1 not started", 8s))
        << pane_->screenText();
    EXPECT_TRUE(
        rowStartsWith(pane_->screen(), 3, "ohv002           127.0.0.1:0           not started  no \"port\""))
        << pane_->screenText();
    EXPECT_NE(pane_->screenWithAttributes()[3].find("\x1b[33m"), std::string::npos);
    EXPECT_TRUE(rowStartsWith(
        pane_->screen(), 4,
        "\u5929\u4e95\u642c\u9001\u8eca\u4e00\u53f7\u6a5f 127.0.0.1:5010        waiting      -"))
        << pane_->screenText();
    EXPECT_EQ(pane_->row(5).find_first_not_of(' '), std::string::npos) << "the wide row wrapped";
}

// A fleet past the defaults of an ordinary machine (1023 sockets per messaging context, three per
// vehicle; 1024 open files, four per vehicle) against the simulator: started with the soft limit at
// 1024, every vehicle goes live and the one opened answers a command. A hard limit too low for the
// file is refused before the screen starts.
TEST(TerminalLargeFleet, EveryVehicleOfAFleetPastTheDefaultLimitsGoesLiveAndOneAnswers) {
#ifdef KOVA_SANITIZED
    constexpr int kVehicles = 350;  // still past the default socket limit, within a sanitized core's reach
#else
    constexpr int kVehicles = 400;
#endif
    TempDir dir;
    const int base = freeFleetBase(kVehicles);
    const std::string conf = std::string(KOVA_SOURCE_DIR) + "/scripts/fleet-conf " +
                             std::to_string(kVehicles) + " " + std::to_string(base) + " > " +
                             dir.file("conf.json");
    ASSERT_EQ(std::system(conf.c_str()), 0);
    ChildProcess sim(
        {KOVA_SIM_BINARY, "--config", "conf.json", "--vehicles", std::to_string(kVehicles), "--seed", "1"},
        dir.path(), dir.file("sim-output.txt"));

    const std::string refused = runCommand("cd " + shellQuote(dir.path()) + " && prlimit --nofile=64:64 " +
                                           KOVA_CONSOLE_BINARY + " --fleet 2>&1; echo \"exit $?\"");
    EXPECT_NE(refused.find("kovaConsoleOHV: cannot watch the fleet: " + std::to_string(kVehicles) +
                           " connections need "),
              std::string::npos)
        << refused;
    EXPECT_NE(refused.find("more than the hard limit of 64 (raise it: ulimit -n "), std::string::npos)
        << refused;
    EXPECT_NE(refused.find("exit 2"), std::string::npos) << refused;

    TmuxPane pane(std::string("prlimit --nofile=1024:20000 ") + KOVA_CONSOLE_BINARY + " --fleet", dir.path(),
                  160, 30);
    const std::string all = std::to_string(kVehicles);
    ASSERT_TRUE(pane.waitForRow(0, "fleet: " + all + " vehicles, " + all + " live, 0 silent, 0 waiting", 60s))
        << pane.screenText();
    pane.sendKeys({"End", "Enter"});
    const std::string last = "ohv" + std::to_string(kVehicles);
    ASSERT_TRUE(pane.waitForRow(0, "monitor:   system_name<106>  -= kovaConsoleOHV v0.6 (" + last, 10s))
        << pane.screenText();
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    pane.typeText("get/3009/0");
    pane.sendKeys({"Enter"});
    EXPECT_TRUE(pane.waitForText("Command:  get 3009/0 = ", 10s)) << pane.screenText();
    EXPECT_EQ(pane.screenText().find("Too many open files"), std::string::npos) << pane.screenText();
}

// The table asks a vehicle only for what it shows: an object it does not show (target velocity)
// reaches the monitor while the vehicle is open, is not received while the table is back, and the
// monitor opened again shows its initial value, not the one from before, until it comes again.
TEST_F(TerminalFleetTest, TheOpenVehicleAloneGetsItsWholeStream) {
    start(1, 1);
    pane_->sendKeys({"Enter"});
    ASSERT_TRUE(pane_->waitForWorkingWindows()) << pane_->screenText();
    ASSERT_TRUE(vehicles_[0]->publishUntilShown(*pane_, {"4035", "12345"}, "Vel: (T:1.2345|"))
        << pane_->screenText();

    pane_->typeText("fleet");
    pane_->sendKeys({"Enter"});
    ASSERT_TRUE(pane_->waitForRow(0, "fleet: 1 vehicles", 3s)) << pane_->screenText();
    ASSERT_TRUE(waitUntil(
        [&] {
            vehicles_[0]->publish({"4035", "500"});
            vehicles_[0]->publish({"3009", "21/1/1"});
            return pane_->waitForScreen([](const auto& s) { return s[2].find("  21 ") != std::string::npos; },
                                        100ms);
        },
        8s))
        << pane_->screenText();
    pane_->sendKeys({"Enter"});
    ASSERT_TRUE(pane_->waitForText("R-Cur: po( 21)", 3s)) << pane_->screenText();
    EXPECT_TRUE(pane_->waitForText("Vel: (T:0.0000|", 1s)) << pane_->screenText();
    EXPECT_TRUE(vehicles_[0]->publishUntilShown(*pane_, {"4035", "777"}, "Vel: (T:0.0777|"))
        << pane_->screenText();
}

}  // namespace
}  // namespace kova::test
