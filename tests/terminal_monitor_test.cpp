// The real binary in a real terminal, fed by a status publisher of the test's own on base port + 1.
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;
using Frames = std::vector<std::string>;

// A status publisher bound where the console's monitor connects, and the console in a tmux pane.
class MonitorSession {
public:
    explicit MonitorSession(int cols = 160, int rows = 30) : publisher_(context_, zmq::socket_type::pub) {
        const int base = freeBasePort();
        writeConf(dir_.path(), "127.0.0.1", base);
        publisher_.set(zmq::sockopt::linger, 0);
        publisher_.bind("tcp://127.0.0.1:" + std::to_string(base + 1));
        pane_ = std::make_unique<TmuxPane>(KOVA_CONSOLE_BINARY, dir_.path(), cols, rows);
    }

    void publish(const std::vector<Frames>& messages) {
        for (const Frames& frames : messages) {
            zmq::multipart_t message;
            for (const std::string& frame : frames) {
                message.addstr(frame);
            }
            message.send(publisher_);
        }
    }

    // Publishes `messages` every 200 ms until `done(screen)` holds (a subscriber joins late and
    // misses what was sent before); false after `timeout`.
    bool publishUntil(const std::vector<Frames>& messages,
                      const std::function<bool(const std::vector<std::string>&)>& done,
                      std::chrono::milliseconds timeout = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            publish(messages);
            if (pane_->waitForScreen(done, 200ms)) {
                return true;
            }
        }
        return done(pane_->screen());
    }

    TmuxPane& pane() { return *pane_; }

private:
    TempDir dir_;
    zmq::context_t context_;
    zmq::socket_t publisher_;
    std::unique_ptr<TmuxPane> pane_;
};

// A screen row built from (column, text) pieces, blanks between them, trailing blanks cut.
std::string rowOf(std::initializer_list<std::pair<int, std::string>> pieces) {
    std::string row;
    for (const auto& [col, text] : pieces) {
        row.resize(static_cast<std::size_t>(col), ' ');
        row += text;
    }
    return row;
}

std::function<bool(const std::vector<std::string>&)> rowIs(int row, const std::string& text) {
    return [row, text](const auto& s) { return row < static_cast<int>(s.size()) && s[row] == text; };
}

TEST(TerminalMonitor, FirstScreenShowsTheInitialRecord) {
    MonitorSession session;
    TmuxPane& pane = session.pane();
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(pane.waitForScreen(rowIs(7, rowOf({{1, "R-Cur: po( -1) seg( -1) on_route(N) TCZ(N)"},
                                                   {50, "R-Bar: None seg( -1) po( -1, -1)"}})),
                                   3s))
        << pane.screenText();
    const auto screen = pane.screen();
    EXPECT_EQ(screen[0], rowOf({{0,
                                 "monitor:   system_name<106>  -= kovaConsoleOHV v0.6 (test:127.0.0.1) =-    "
                                 "version<101> release<102>"},
                                {160 - 15, "status: waiting"}}));
    EXPECT_EQ(screen[1], rowOf({{0, ":State(StartUp)"},
                                {25, ":Status()"},
                                {60, ":Control period(T:<4004>|A:0.00|Amax:0.00)ms"}}));
    EXPECT_EQ(screen[2], rowOf({{0, ":Datalogger(Stop)"},
                                {25, "run(0.000s|0.000m)"},
                                {60, ":Alarm warning(        |        ) fault(        |        )"}}));
    EXPECT_EQ(screen[9], " " + std::string("      po(-1,-1) seg(-1)"));
    EXPECT_EQ(screen[13], rowOf({{1, "Front: cw(       0) sw(       0)"},
                                 {35, "vel(T:  0.0|A:  0.0)rpm"},
                                 {70, "torq(D: 0.0|A: 0.0)%"},
                                 {96, "status(   0|   0|   0)"}}));
    EXPECT_TRUE(screen[4].empty() && screen[5].empty()) << "body rows 3 and 4 stay empty";
}

TEST(TerminalMonitor, PublishedValuesReachTheirRows) {
    MonitorSession session;
    TmuxPane& pane = session.pane();
    const std::vector<Frames> status = {
        {"111", "4"},
        {"4021", "3"},
        {"3009", "12/7/1"},
        {"3065", "1"},
        {"4035", "15000"},
        {"4034", "14000"},
        {"3012", "8/1000"},
        {"7120", "1500"},
        {"7022", "4660/15"},
        {"7027", "12.5"},
        {"7028", "10/11"},
        {"7034", "1"},
        {"500", "E01/E0123456789"},
    };
    ASSERT_TRUE(
        session.publishUntil(status, rowIs(7, rowOf({{1, "R-Cur: po( 12) seg(  7) on_route(Y) TCZ(Y)"},
                                                     {50, "R-Bar: None seg( -1) po( -1, -1)"}}))))
        << pane.screenText();
    const auto screen = pane.screen();
    EXPECT_TRUE(rowStartsWith(screen, 1, rowOf({{0, ":State(AutomaticOp)"}, {25, ":Status(Run)"}})))
        << screen[1];
    EXPECT_EQ(screen[2].substr(60), ":Alarm warning(        |        ) fault(     E01|E0123456789)");
    EXPECT_EQ(screen[3].substr(50), "Vel: (T:1.5000|A:1.4000|E:0.1000)[m/s]");
    EXPECT_EQ(screen[8].substr(0, 56), " R-Gen: goal(po:  8|Barcode:      1000|Berr:       500) ");
    EXPECT_TRUE(
        rowStartsWith(screen, 11, ":TractionServo state(F:none, R:none) nmt(F:None, R:None) brake(rel)"));
    EXPECT_EQ(screen[13].substr(0, 58),
              rowOf({{1, "Front: cw(    1234) sw(       0)"}, {35, "vel(T: 12.5|A: 10.0)rpm"}}));
    EXPECT_EQ(screen[14].substr(0, 58),
              rowOf({{1, "Rear:  cw(       f) sw(       0)"}, {35, "vel(T: 12.5|A: 11.0)rpm"}}));
}

TEST(TerminalMonitor, ShortMalformedAndBinaryMessagesChangeNothingAndTheStreamGoesOn) {
    MonitorSession session;
    TmuxPane& pane = session.pane();
    const std::vector<Frames> junk = {
        {"111"},                                        // one frame
        {""},                                           // one empty frame
        {"111", ""},                                    // empty values
        {"abc", "3"},                                   // index not a number
        {"111", "4/5"},                                 // wrong count
        {"3009", "x/7/1"},                              // first value fails
        {"9999", "1"},                                  // unknown index
        {"3060", std::string("\x1b[2J\x07\x00zz", 7)},  // control bytes drawn as data, never obeyed
        {std::string("\xff\xfe\x00", 3), std::string(2000, '/')},
    };
    ASSERT_TRUE(session.publishUntil(junk, [](const auto& s) {
        return s.size() > 6 && s[6].find("steer(T:|A:^[[2J^G|timeout") != std::string::npos;
    })) << pane.screenText();
    // Still the initial values where the junk aimed, and the next good message lands.
    auto screen = pane.screen();
    EXPECT_TRUE(rowStartsWith(screen, 1, ":State(StartUp)")) << screen[1];
    EXPECT_TRUE(rowStartsWith(screen, 7, " R-Cur: po( -1) seg( -1)")) << screen[7];
    EXPECT_TRUE(rowStartsWith(screen, 0, "monitor:")) << "the escape text must not clear the screen";
    ASSERT_TRUE(session.publishUntil({{"111", "3"}}, [](const auto& s) {
        return rowStartsWith(s, 1, ":State(ManualOp)");
    })) << pane.screenText();
    EXPECT_FALSE(pane.paneDead());
}

TEST(TerminalMonitor, VeryLongTextsWrapInsideTheBodyAndNeverScrollIt) {
    MonitorSession session;
    TmuxPane& pane = session.pane();
    const std::string huge(20000, 'F');
    const std::vector<Frames> messages = {
        {"500", huge + "/" + huge}, {"3050", std::string(5000, 'S')}, {"3021", std::string(3000, 'G')}};
    ASSERT_TRUE(session.publishUntil(messages, [](const auto& s) {
        return rowStartsWith(s, 6, ":Navigate routemap<3041> steer(T:SSS");
    })) << pane.screenText();
    std::this_thread::sleep_for(500ms);  // a few redraws
    const auto screen = pane.screen();
    EXPECT_TRUE(rowStartsWith(screen, 0, "monitor:   system_name<106>")) << screen[0];
    EXPECT_TRUE(rowStartsWith(screen, 1, ":State(StartUp)")) << screen[1];
    EXPECT_EQ(screen[2].substr(60, 30), ":Alarm warning(        |      ");
    // Row 14 of the body is the last: the camera items are there, and the log title below is intact.
    EXPECT_TRUE(rowStartsWith(screen, 15, ":BarcodeCamera")) << screen[15];
    EXPECT_NE(screen[15].find("pos:          0 vel: 0.0m/s"), std::string::npos) << screen[15];
    EXPECT_TRUE(rowStartsWith(screen, 16, "Log:<2041>")) << screen[16];
    EXPECT_TRUE(rowStartsWith(screen, 24, "Command:")) << screen[24];
    // And the console still takes new values.
    ASSERT_TRUE(session.publishUntil({{"111", "6"}}, [](const auto& s) {
        return rowStartsWith(s, 1, ":State(Finished)");
    })) << pane.screenText();
    EXPECT_FALSE(pane.paneDead());
}

TEST(TerminalMonitor, NarrowConsoleDropsTheItemsPastItsWidth) {
    MonitorSession session(96, 30);
    TmuxPane& pane = session.pane();
    ASSERT_TRUE(session.publishUntil({{"7035", "1/2/3/4/5/6"}, {"111", "4"}}, [](const auto& s) {
        return rowStartsWith(s, 1, ":State(AutomaticOp)");
    })) << pane.screenText();
    const auto screen = pane.screen();
    for (int row : {13, 14}) {
        EXPECT_EQ(screen[row].find("status("), std::string::npos) << screen[row];
    }
    EXPECT_TRUE(rowStartsWith(screen, 16, "Log:<2041>")) << screen[16];
}

// The link indicator at the title's right end: waiting until the first message, live while the
// stream flows, then silent with the seconds counting and the body dim, and live again with the next
// message.
TEST(TerminalMonitor, TheTitleSaysWhetherTheStatusStreamIsLive) {
    MonitorSession session;
    TmuxPane& pane = session.pane();
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    EXPECT_TRUE(pane.waitForScreen(
        [](const auto& s) { return s[0].size() == 160 && s[0].find("status: waiting") == 145; }, 2s))
        << pane.screen()[0];

    ASSERT_TRUE(session.publishUntil({{"111", "3"}}, [](const auto& s) {
        return s[0].find("status: live") == 148;
    })) << pane.screenText();
    const auto dimmed = [&pane] {
        return pane.screenWithAttributes()[1].find("\x1b[0;2m") != std::string::npos;
    };
    EXPECT_FALSE(dimmed()) << pane.screenWithAttributes()[1];
    // Nothing more arrives: silent after two seconds, counting on while nothing comes.
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return s[0].find("status: silent 2s") == 143; }, 4s))
        << pane.screen()[0];
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return s[0].find("status: silent 3s") == 143; }, 3s))
        << pane.screen()[0];
    EXPECT_TRUE(dimmed()) << pane.screenWithAttributes()[1];
    // The indicator stands out from the yellow title: red on blue.
    EXPECT_NE(pane.screenWithAttributes()[0].find("\x1b[31mstatus: silent"), std::string::npos)
        << pane.screenWithAttributes()[0];

    ASSERT_TRUE(session.publishUntil({{"111", "4"}}, [](const auto& s) {
        return s[0].find("status: live") == 148;
    })) << pane.screenText();
    EXPECT_TRUE(pane.waitForScreen([&](const auto&) { return !dimmed(); }, 2s));
    EXPECT_TRUE(rowStartsWith(pane.screen(), 1, ":State(AutomaticOp)"));
}

// Too narrow for both: the indicator keeps the last columns and the title is cut before it.
TEST(TerminalMonitor, OnANarrowTerminalTheIndicatorKeepsTheLastColumns) {
    MonitorSession session(80, 30);
    TmuxPane& pane = session.pane();
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(pane.waitForScreen(
        [](const auto& s) { return s[0].size() == 80 && s[0].find("status: waiting") == 65; }, 2s))
        << pane.screen()[0];
    EXPECT_EQ(pane.screen()[0].substr(0, 59), "monitor:   system_name<106>  -= kovaConsoleOHV v0.6 (test:1");
}

}  // namespace
}  // namespace kova::test
