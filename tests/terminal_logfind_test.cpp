// Find and filter in the log window through the real binary: fed by a log publisher of the test's
// own, by a recording played back, and by the simulator in a vehicle opened from the fleet view.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "record/RecordWriter.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

constexpr int kLogTitle = 16;
constexpr int kOutputRow = 24;
constexpr int kBodyBottom = 23;

bool rowHas(const TmuxPane& pane, int row, const std::string& text, std::chrono::milliseconds wait = 5s) {
    return pane.waitForScreen(
        [&](const auto& s) { return s.size() > std::size_t(row) && s[row].find(text) != std::string::npos; },
        wait);
}

// Whether `text` is on screen in reverse video (tmux writes the attribute just before it).
bool reversedOnScreen(const TmuxPane& pane, const std::string& text) {
    return waitUntil(
        [&] {
            for (const std::string& row : pane.screenWithAttributes()) {
                const std::size_t at = row.find(text);
                if (at != std::string::npos && row.rfind("7m", at) != std::string::npos &&
                    row.rfind("7m", at) + 2 == at) {
                    return true;
                }
            }
            return false;
        },
        5s);
}

void enter(const TmuxPane& pane, const std::string& line) {
    pane.typeText(line);
    pane.sendKeys({"Enter"});
}

TEST(TerminalLogFind, FindStepsFilterFollowsNewLinesAndBadPatternsAreRefused) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    zmq::context_t context;
    zmq::socket_t publisher(context, zmq::socket_type::pub);
    publisher.set(zmq::sockopt::linger, 0);
    publisher.bind("tcp://127.0.0.1:" + std::to_string(base + 4));
    auto publish = [&](const std::vector<std::string>& frames) {
        zmq::multipart_t message;
        for (const std::string& frame : frames) {
            message.addstr(frame);
        }
        message.send(publisher);
    };
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path(), 160, 30);
    ASSERT_TRUE(waitUntil(
        [&] {
            publish({"probe"});
            return pane.waitForText(" probe", 200ms);
        },
        10s))
        << pane.screenText();

    std::vector<std::string> lines = {"alpha Error one", "beta", "gamma error two",
                                      std::string(20000, 'a') + "!"};
    for (int i = 0; i < 20; ++i) {
        lines.push_back("fill " + std::to_string(i));
    }
    publish(lines);
    ASSERT_TRUE(rowHas(pane, kBodyBottom, " fill 19")) << pane.screenText();

    // The newest match first, in reverse video, and the view moved back to it.
    enter(pane, "/error");
    ASSERT_TRUE(rowHas(pane, kLogTitle, "find: error, match 1 of 2")) << pane.screenText();
    EXPECT_TRUE(reversedOnScreen(pane, "error")) << pane.screenText();
    pane.sendKeys({"F3"});
    ASSERT_TRUE(rowHas(pane, kLogTitle, "match 2 of 2")) << pane.screenText();
    EXPECT_TRUE(reversedOnScreen(pane, "Error")) << pane.screenText();
    pane.sendKeys({"F3"});  // no older match: it stays
    pane.sendKeys({"S-F3"});
    ASSERT_TRUE(rowHas(pane, kLogTitle, "match 1 of 2")) << pane.screenText();
    // A resize draws the highlight again at the new size.
    pane.resize(150, 30);
    EXPECT_TRUE(rowHas(pane, kLogTitle, "match 1 of 2")) << pane.screenText();
    EXPECT_TRUE(reversedOnScreen(pane, "error")) << pane.screenText();
    pane.resize(160, 30);

    // Smart case; a regular expression; the catastrophic pattern answers at once.
    enter(pane, "find Error");
    EXPECT_TRUE(rowHas(pane, kLogTitle, "find: Error, match 1 of 1")) << pane.screenText();
    enter(pane, "find re:^g[a-z]+ e");
    EXPECT_TRUE(rowHas(pane, kLogTitle, "find: re:^g[a-z]+ e, match 1 of 1")) << pane.screenText();
    enter(pane, "find re:^(a+)+$");
    EXPECT_TRUE(rowHas(pane, kLogTitle, "find: re:^(a+)+$, no match in ", 3s)) << pane.screenText();

    // Refused: nothing to look for, a pattern RE2 cannot read, bytes that are no UTF-8.
    enter(pane, "find");
    EXPECT_TRUE(rowHas(pane, kOutputRow, "find: nothing to look for")) << pane.screenText();
    enter(pane, "find re:(a");
    EXPECT_TRUE(rowHas(pane, kOutputRow, "find: re: missing ): (a")) << pane.screenText();
    enter(pane, "find caf\xe9");
    EXPECT_TRUE(rowHas(pane, kOutputRow, "find: the text is not valid UTF-8")) << pane.screenText();
    EXPECT_TRUE(rowHas(pane, kLogTitle, "find: re:^(a+)+$")) << "a refused search leaves the last one\n"
                                                             << pane.screenText();

    // A filter: only the lines that match, numbered as ever, and new ones as they come.
    pane.sendKeys({"Escape"});  // live again
    pane.sendKeys({"Escape"});  // and the search ends
    EXPECT_TRUE(pane.waitForScreen([](const auto& s) {
        return s[kLogTitle].find("find:") == std::string::npos;
    })) << pane.screenText();
    enter(pane, "filter re:^(beta|gamma)");
    ASSERT_TRUE(rowHas(pane, kLogTitle, "filter: re:^(beta|gamma), 2 of ")) << pane.screenText();
    EXPECT_TRUE(rowHas(pane, kBodyBottom, " gamma error two")) << pane.screenText();
    publish({"beta again", "not shown"});
    EXPECT_TRUE(rowHas(pane, kLogTitle, "filter: re:^(beta|gamma), 3 of ")) << pane.screenText();
    EXPECT_TRUE(rowHas(pane, kBodyBottom, " beta again")) << pane.screenText();
    EXPECT_EQ(pane.screenText().find("not shown"), std::string::npos) << pane.screenText();
    enter(pane, "filter");
    EXPECT_TRUE(rowHas(pane, kBodyBottom, " not shown")) << pane.screenText();
    EXPECT_EQ(pane.screen()[kLogTitle].find("filter:"), std::string::npos) << pane.screenText();
}

TEST(TerminalLogFind, FindInAReplayWhoseNumbersAreSixtyFourBit) {
    TempDir dir;
    {
        record::RecordWriter writer;
        writer.open(dir.file("rec.db"), false, {"0.6", "ohv-r", "10.1.1.1", 7000});
        const std::int64_t start = record::RecordWriter::nowNs();  // after the session opened
        writer.recordStatus(start, {"7120", "1"});
        writer.recordLog(start + 1'000'000, -1, {"event minus"});
        writer.recordLog(start + 2'000'000, 4'294'967'296LL, {"event past 32 bits", "servo fault 7"});
        writer.recordStatus(start + 60'000'000'000LL, {"7120", "2"});
        writer.close();
    }
    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --replay rec.db", dir.path());
    ASSERT_TRUE(pane.waitForText("4294967297 servo fault 7", 8s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("-1 event minus", 1s)) << pane.screenText();

    // The line takes text; the replay's keys are its own only while nothing is typed.
    enter(pane, "find FAULT");
    EXPECT_TRUE(rowHas(pane, kLogTitle, "find: FAULT, no match in 3 lines")) << pane.screenText();
    enter(pane, "/event p");
    EXPECT_TRUE(rowHas(pane, kLogTitle, "find: event p, match 1 of 1")) << pane.screenText();
    EXPECT_TRUE(reversedOnScreen(pane, "event p")) << pane.screenText();
    enter(pane, "get/7120/0");
    EXPECT_TRUE(rowHas(pane, kOutputRow, "replay: no controller to send to")) << pane.screenText();
    pane.typeText("q");
    int status = -1;
    ASSERT_TRUE(pane.waitForExit(5s, &status)) << pane.screenText();
    EXPECT_EQ(status, 0);
}

// The simulator's own log in a vehicle opened from the fleet view: each request it answers is a line.
TEST(TerminalLogFind, FilterAndFindInAVehicleOpenedFromTheFleet) {
    TempDir dir;
    writeConf(dir.path(), "127.0.0.1", freeBasePort());
    ChildProcess sim({KOVA_SIM_BINARY, "--config", "conf.json", "--no-obstacles"}, dir.path(),
                     dir.file("sim.txt"));
    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --fleet", dir.path());
    ASSERT_TRUE(pane.waitForRow(0, "fleet: 1 vehicles", 8s)) << pane.screenText();
    pane.sendKeys({"Enter"});
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(waitUntil(
        [&] {
            enter(pane, "get/7120/0");
            return pane.waitForText("request get 7120/0 -> ", 300ms);
        },
        10s))
        << pane.screenText();

    enter(pane, "filter request get");
    ASSERT_TRUE(rowHas(pane, kLogTitle, "filter: request get, ")) << pane.screenText();
    enter(pane, "servo/on");
    enter(pane, "get/1/0");
    EXPECT_TRUE(rowHas(pane, kBodyBottom, "request get 1/0 -> ")) << pane.screenText();
    EXPECT_EQ(pane.screenText().find("request set"), std::string::npos) << pane.screenText();
    enter(pane, "/re:get 1/\\d");
    EXPECT_TRUE(rowHas(pane, kLogTitle, "find: re:get 1/\\d, match 1 of 1")) << pane.screenText();
    EXPECT_TRUE(reversedOnScreen(pane, "get 1/0")) << pane.screenText();
}

}  // namespace
}  // namespace kova::test
