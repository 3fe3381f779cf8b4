// The real binary in a real terminal, fed by a log publisher of the test's own on base port + 4.
#include <chrono>
#include <regex>
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

constexpr int kBodyTop = 17;     // screen row of the log body's first row
constexpr int kBodyBottom = 23;  // and of its last

class LogSession {
public:
    // `locale`: the LANG the console runs with (empty: the test's own environment).
    explicit LogSession(const std::string& locale = "") : publisher_(context_, zmq::socket_type::pub) {
        const int base = freeBasePort();
        writeConf(dir_.path(), "127.0.0.1", base);
        publisher_.set(zmq::sockopt::linger, 0);
        publisher_.bind("tcp://127.0.0.1:" + std::to_string(base + 4));
        const std::string command =
            locale.empty() ? std::string(KOVA_CONSOLE_BINARY)
                           : "env -u LC_ALL -u LC_CTYPE LANG=" + locale + " " + KOVA_CONSOLE_BINARY;
        pane_ = std::make_unique<TmuxPane>(command, dir_.path(), 160, 30);
    }

    void publish(const std::vector<std::string>& frames) {
        zmq::multipart_t message;
        for (const std::string& frame : frames) {
            message.addstr(frame);
        }
        message.send(publisher_);
    }

    // Publishes "probe" until the console shows it (the subscription joins late), and returns the
    // number the console gave the last probe it printed, or -1.
    long joinWithProbes() {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        const std::regex probe(R"(^(\d+) probe$)");
        while (std::chrono::steady_clock::now() < deadline) {
            publish({"probe"});
            std::smatch match;
            std::string bottom;
            if (pane_->waitForScreen(
                    [&](const auto& screen) {
                        bottom = screen.size() > kBodyBottom ? screen[kBodyBottom] : std::string();
                        return std::regex_match(bottom, match, probe);
                    },
                    300ms)) {
                return std::stol(match[1]);
            }
        }
        return -1;
    }

    TmuxPane& pane() { return *pane_; }
    // Publishes `frames` every 100 ms until `text` is on screen.
    bool publishUntilShown(const std::vector<std::string>& frames, const std::string& text) {
        return waitUntil(
            [&] {
                publish(frames);
                return pane_->waitForText(text, 100ms);
            },
            8s);
    }

private:
    TempDir dir_;
    zmq::context_t context_;
    zmq::socket_t publisher_;
    std::unique_ptr<TmuxPane> pane_;
};

bool bottomRowIs(const TmuxPane& pane, const std::string& text) {
    return pane.waitForScreen([&](const auto& s) { return s.size() > kBodyBottom && s[kBodyBottom] == text; },
                              5s);
}

TEST(TerminalLogView, NumberingStartsAtZeroAndFramesGiveConsecutiveLines) {
    LogSession session;
    TmuxPane& pane = session.pane();
    const long last = session.joinWithProbes();
    ASSERT_GE(last, 0) << pane.screenText();
    // With a valid configuration nothing else is printed first: the first probe seen is line 0.
    const auto screen = pane.screen();
    const long firstRow = kBodyBottom - last;
    ASSERT_GE(firstRow, kBodyTop) << pane.screenText();
    EXPECT_EQ(screen[firstRow], "0 probe") << pane.screenText();

    session.publish({"alpha", "", "gamma"});
    ASSERT_TRUE(bottomRowIs(pane, std::to_string(last + 3) + " gamma")) << pane.screenText();
    const auto after = pane.screen();
    EXPECT_EQ(after[kBodyBottom - 2], std::to_string(last + 1) + " alpha");
    EXPECT_EQ(after[kBodyBottom - 1], std::to_string(last + 2));  // an empty frame: number and blank
}

TEST(TerminalLogView, LongLinesWrapAndOverlongOnesAreCutToTheBody) {
    LogSession session;
    TmuxPane& pane = session.pane();
    const long last = session.joinWithProbes();
    ASSERT_GE(last, 0) << pane.screenText();

    // 200 bytes with the number: 200 / 80 + 1 = 3 rows, written from the third-to-last row and
    // wrapping at the 160-column edge; the bottom row stays blank.
    const std::string prefix = std::to_string(last + 1) + " ";
    const std::string wide(200 - prefix.size(), 'w');
    session.publish({wide});
    ASSERT_TRUE(pane.waitForScreen(
        [&](const auto& s) {
            return s.size() > kBodyBottom && s[kBodyBottom - 2] == (prefix + wide).substr(0, 160);
        },
        5s))
        << pane.screenText();
    auto screen = pane.screen();
    EXPECT_EQ(screen[kBodyBottom - 1], (prefix + wide).substr(160));
    EXPECT_EQ(screen[kBodyBottom], "");

    // 1500 bytes need 19 rows by the 80-byte rule: the whole body shows its first 7 x 160 bytes.
    std::string huge;
    for (int i = 0; huge.size() < 1500; ++i) {
        huge += static_cast<char>('a' + i % 26);
    }
    session.publish({huge});
    const std::string hugeLine = std::to_string(last + 2) + " " + huge;
    ASSERT_TRUE(pane.waitForScreen(
        [&](const auto& s) { return s.size() > kBodyBottom && s[kBodyTop] == hugeLine.substr(0, 160); }, 5s))
        << pane.screenText();
    screen = pane.screen();
    for (int row = kBodyTop; row <= kBodyBottom; ++row) {
        EXPECT_EQ(screen[row], hugeLine.substr(static_cast<std::size_t>(row - kBodyTop) * 160, 160))
            << "row " << row;
    }
    // The next line prints normally at the foot, and the screen around the body is untouched.
    session.publish({"after"});
    ASSERT_TRUE(bottomRowIs(pane, std::to_string(last + 3) + " after")) << pane.screenText();
    screen = pane.screen();
    EXPECT_EQ(screen[kBodyBottom - 1], hugeLine.substr(6 * 160, 160));
    EXPECT_EQ(screen[16].rfind("Log:<2041>", 0), 0u) << screen[16];
    EXPECT_EQ(screen[24].rfind("Command:", 0), 0u) << screen[24];
    EXPECT_EQ(screen[0].rfind("monitor:", 0), 0u) << screen[0];
}

// A line break, tabs and control bytes inside a line: every character reaches the screen, the body
// scrolling as far as the text needs.
TEST(TerminalLogView, LineBreaksTabsAndControlBytesNeverLoseText) {
    LogSession session;
    TmuxPane& pane = session.pane();
    const long last = session.joinWithProbes();
    ASSERT_GE(last, 0) << pane.screenText();

    session.publish({"first\nsecond"});
    ASSERT_TRUE(bottomRowIs(pane, "second")) << pane.screenText();
    EXPECT_EQ(pane.screen()[kBodyBottom - 1], std::to_string(last + 1) + " first");

    // 67 bytes by the 80-byte rule (one row), yet twenty tabs fill the 160 columns and the control
    // bytes show as caret pairs on the next row.
    std::string carets;
    for (int i = 0; i < 40; ++i) {
        carets += "^A";
    }
    session.publish({std::string(20, '\t') + "end" + std::string(40, '\x01') + "tail"});
    ASSERT_TRUE(bottomRowIs(pane, "end" + carets + "tail")) << pane.screenText();
    EXPECT_EQ(pane.screen()[kBodyBottom - 1], std::to_string(last + 2)) << pane.screenText();
}

// A terminal shorter than the layout cuts the log body: new lines still show at the foot of the
// part that is on screen.
TEST(TerminalLogView, NewLinesStayVisibleAfterTheTerminalShrinks) {
    LogSession session;
    TmuxPane& pane = session.pane();
    ASSERT_GE(session.joinWithProbes(), 0) << pane.screenText();
    pane.resize(160, 20);
    ASSERT_TRUE(pane.waitForScreen([](const auto& s) { return s.size() == 20; }, 3s));
    session.publish({"seen after the shrink"});
    EXPECT_TRUE(pane.waitForScreen(
        [](const auto& s) {
            return s.size() == 20 && s[19].find(" seen after the shrink") != std::string::npos;
        },
        5s))
        << pane.screenText();
}

// Peak resident memory of a process, in kB.
long peakRssKb(int pid) {
    const std::string status = readFile("/proc/" + std::to_string(pid) + "/status");
    const auto at = status.find("VmHWM:");
    return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
}

// One enormous frame costs the connection for a moment, never the console's memory, and the stream
// goes on afterwards.
TEST(TerminalLogView, AHugeFrameNeverTakesTheMemoryAndTheLogGoesOn) {
    LogSession session;
    TmuxPane& pane = session.pane();
    ASSERT_GE(session.joinWithProbes(), 0) << pane.screenText();
    const long before = peakRssKb(pane.panePid());
    ASSERT_GT(before, 0);
    session.publish({std::string(64 << 20, 'H')});
    ASSERT_TRUE(session.publishUntilShown({"still flowing"}, " still flowing")) << pane.screenText();
    EXPECT_LT(peakRssKb(pane.panePid()) - before, 32 * 1024) << "peak RSS grew by the frame";
    EXPECT_EQ(pane.screenText().find("HHHHHHHH"), std::string::npos);
}

// Scrollback: PgUp shows older lines and the title says so; new lines are counted but never move
// the view; the command line keeps working; PgDn past the newest line, or Esc, returns to live.
TEST(TerminalLogView, PgUpScrollsBackWithoutLosingNewLinesAndEscReturnsToLive) {
    LogSession session;
    TmuxPane& pane = session.pane();
    const long last = session.joinWithProbes();
    ASSERT_GE(last, 0) << pane.screenText();
    std::vector<std::string> batch;
    for (int i = 1; i <= 20; ++i) {
        batch.push_back("line " + std::to_string(i));
    }
    session.publish(batch);
    const std::string newest = std::to_string(last + 20) + " line 20";
    ASSERT_TRUE(bottomRowIs(pane, newest)) << pane.screenText();

    pane.sendKeys({"PPage"});
    ASSERT_TRUE(pane.waitForRow(16, "Log:<2041>  scrolled back 7 lines, 0 new (PgDn/Esc: live)", 3s))
        << pane.screenText();
    const std::string older = std::to_string(last + 13) + " line 13";
    EXPECT_EQ(pane.screen()[kBodyBottom], older);

    session.publish({"while back 1", "while back 2"});
    ASSERT_TRUE(pane.waitForRow(16, "Log:<2041>  scrolled back 9 lines, 2 new (PgDn/Esc: live)", 3s))
        << pane.screenText();
    EXPECT_EQ(pane.screen()[kBodyBottom], older) << "the view moved";

    pane.typeText("m");
    pane.sendKeys({"Enter"});
    EXPECT_TRUE(pane.waitForRow(24, "Command:  m/[f|b|s|] -- manual", 3s)) << pane.screenText();

    pane.sendKeys({"Escape"});
    ASSERT_TRUE(bottomRowIs(pane, std::to_string(last + 22) + " while back 2")) << pane.screenText();
    EXPECT_TRUE(pane.waitForRow(16, "Log:<2041>     ", 2s)) << pane.screenText();

    // PgDn past the newest line returns to live as well.
    pane.sendKeys({"PPage"});
    ASSERT_TRUE(pane.waitForRow(16, "Log:<2041>  scrolled back", 3s)) << pane.screenText();
    pane.sendKeys({"NPage"});
    EXPECT_TRUE(pane.waitForRow(16, "Log:<2041>     ", 3s)) << pane.screenText();
    EXPECT_EQ(pane.screen()[kBodyBottom], std::to_string(last + 22) + " while back 2");
}

// UTF-8 text shows as its characters on a UTF-8 terminal, laid out by display columns; an invalid
// byte shows as \xNN and shifts nothing. On a terminal of another character set every byte past
// ASCII shows as \xNN.
TEST(TerminalLogView, UtfEightShowsAsItsCharactersAndInvalidBytesAsEscapes) {
    LogSession session("C.UTF-8");
    TmuxPane& pane = session.pane();
    const long last = session.joinWithProbes();
    ASSERT_GE(last, 0) << pane.screenText();
    session.publish(
        {"gr\xc3\xbc\xc3\x9f"
         "e \xe6\xbc\xa2\xe5\xad\x97 \xff end"});
    ASSERT_TRUE(bottomRowIs(pane, std::to_string(last + 1) + " gr\xc3\xbc\xc3\x9f"
                                                             "e \xe6\xbc\xa2\xe5\xad\x97 \\xff end"))
        << pane.screenText();

    // 100 wide characters take 200 columns: the first row holds the number and 79 of them.
    std::string wide;
    for (int i = 0; i < 100; ++i) {
        wide += "\xe6\xbc\xa2";
    }
    session.publish({wide});
    const std::string prefix = std::to_string(last + 2) + " ";
    ASSERT_TRUE(pane.waitForText(prefix + "\xe6\xbc\xa2", 3s)) << pane.screenText();
    const auto screen = pane.screen();
    const auto first = std::find_if(screen.begin(), screen.end(),
                                    [&](const std::string& row) { return row.rfind(prefix, 0) == 0; });
    ASSERT_NE(first, screen.end());
    const std::size_t perFirstRow = (160 - prefix.size()) / 2;
    EXPECT_EQ(*first, prefix + wide.substr(0, perFirstRow * 3));
    EXPECT_EQ(*(first + 1), wide.substr(perFirstRow * 3, std::min<std::size_t>(80, 100 - perFirstRow) * 3));
}

TEST(TerminalLogView, OnATerminalOfAnotherCharacterSetBytesPastAsciiAreEscaped) {
    LogSession session("C");
    TmuxPane& pane = session.pane();
    const long last = session.joinWithProbes();
    ASSERT_GE(last, 0) << pane.screenText();
    session.publish(
        {"gr\xc3\xbc\xc3\x9f"
         "e"});
    EXPECT_TRUE(bottomRowIs(pane, std::to_string(last + 1) + " gr\\xc3\\xbc\\xc3\\x9fe"))
        << pane.screenText();
}

}  // namespace
}  // namespace kova::test
