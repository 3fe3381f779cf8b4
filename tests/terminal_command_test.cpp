// The real binary in a real terminal with a controller stand-in on 127.0.0.1: typed commands reach
// the controller, and replies, usage texts and "no response" appear at row 24 from column 10.
#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "command_test_controller.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;
using Frames = std::vector<std::string>;

constexpr int kCols = 160;
constexpr int kOutputRow = 24;
constexpr int kOutputColumn = 10;
const std::string kTenBlanks(10, ' ');

// Replies ["ok", body's reply text]: the text after the last "/" of the body ("get/1/hello" gives
// "hello"), and no reply at all for the value "silent".
Answer replyWithLastField(const ReceivedRequest& request, std::size_t) {
    const std::string& body = request.frames.at(1);
    const std::string text = body.substr(body.rfind('/') + 1);
    if (text == "silent") {
        return Answer{};
    }
    return Answer{{"ok", text}, 0ms};
}

class TerminalCommandTest : public ::testing::Test {
protected:
    void start(Responder responder) {
        const int base = freeBasePort();
        writeConf(dir_.path(), "127.0.0.1", base);
        controller_ = std::make_unique<TestController>(base + 2, std::move(responder));
        pane_ = std::make_unique<TmuxPane>(KOVA_CONSOLE_BINARY, dir_.path(), kCols, 30);
        // The banner holds for 2000 ms before the working windows appear.
        ASSERT_TRUE(pane_->waitForWorkingWindows()) << pane_->screenText();
    }

    void enter(const std::string& line) {
        pane_->typeText(line);
        pane_->sendKeys({"Enter"});
    }

    // Waits until row 24 reads `expected` from column 10.
    bool outputShows(const std::string& expected, std::chrono::milliseconds timeout = 5s) {
        return pane_->waitForScreen(
            [&](const auto&) {
                return pane_->row(kOutputRow).substr(kOutputColumn, expected.size()) == expected;
            },
            timeout);
    }

    std::string outputRow() const { return pane_->row(kOutputRow); }

    TempDir dir_;
    std::unique_ptr<TestController> controller_;
    std::unique_ptr<TmuxPane> pane_;
};

// Each output replaces the whole field: nothing of a longer earlier output survives behind a shorter
// one, the web address comes back after an output ran over it, and a resize keeps the last output.
TEST_F(TerminalCommandTest, EachOutputReplacesTheWholeFieldAndSurvivesAResize) {
    start(replyWithLastField);
    const std::string address = "https://tvx.example.com";
    const std::string longReply = "get abcdefghijklmnopqrstuvwxyz0123";
    enter("get/1/abcdefghijklmnopqrstuvwxyz0123");
    ASSERT_TRUE(outputShows(longReply)) << pane_->screenText();
    EXPECT_EQ(outputRow().substr(0, 10), "Command:  ");

    enter("get/2/12345");
    ASSERT_TRUE(outputShows("get 12345 ")) << pane_->screenText();
    EXPECT_EQ(outputRow().substr(kOutputColumn, kCols - 28 - kOutputColumn),
              "get 12345" + std::string(kCols - 28 - kOutputColumn - 9, ' '))
        << pane_->screenText();

    // A reply long enough to run over the web address, then a usage text: the address is back and
    // no 'z' is left behind.
    enter("get/3/" + std::string(140, 'z'));
    ASSERT_TRUE(outputShows("get " + std::string(140, 'z'))) << pane_->screenText();
    enter("set/1");
    ASSERT_TRUE(outputShows("set/index/subindex/value ")) << pane_->screenText();
    EXPECT_EQ(outputRow().find('z'), std::string::npos) << pane_->screenText();
    EXPECT_EQ(outputRow().substr(kCols - 28, address.size()), address);

    enter("SET/1/0/1");
    EXPECT_TRUE(
        outputShows("wrong commnad [h|s|set|setm|get|getm|log|switch|m|control|servo|goal|sgoal|steer]"))
        << pane_->screenText();
    ASSERT_TRUE(waitUntil([&] { return controller_->count() == 3; }, 2s));
    std::vector<Frames> seen;
    for (const ReceivedRequest& request : controller_->requests()) {
        seen.push_back(request.frames);
    }
    EXPECT_EQ(seen, (std::vector<Frames>{{"get", "1/abcdefghijklmnopqrstuvwxyz0123"},
                                         {"get", "2/12345"},
                                         {"get", "3/" + std::string(140, 'z')}}));
    // The input area is cleared after each command.
    EXPECT_EQ(pane_->row(25), std::string(kCols, ' '));

    pane_->resize(120, 30);
    pane_->resize(kCols, 30);
    EXPECT_TRUE(pane_->waitForScreen(
        [&](const auto&) {
            return pane_->row(kOutputRow).find("wrong commnad [h|s|") == std::size_t(kOutputColumn) &&
                   pane_->row(kOutputRow).find(address) == std::size_t(kCols - 28);
        },
        3s))
        << "the last output is gone after a resize\n"
        << pane_->screenText();
}

// A pasted burst whose first line holds an arrow key's escape sequence (as the terminal sends it in
// keypad mode): the line is edited and run,
// and what was pasted after its Enter shows on the next line at once, with no further key.
TEST_F(TerminalCommandTest, KeysPastedAfterALineAreNeverLeftBehind) {
    start(replyWithLastField);
    pane_->typeText("get/1/helo\x1bODl\rget/2/next");
    ASSERT_TRUE(outputShows("get hello")) << pane_->screenText();
    EXPECT_TRUE(pane_->waitForRow(25, "get/2/next", 2s)) << pane_->screenText();
}

TEST_F(TerminalCommandTest, NoResponseAfterTheTimeOutAndTheNextCommandWorks) {
    start(replyWithLastField);
    enter("get/1/silent");
    ASSERT_TRUE(outputShows("no response" + kTenBlanks)) << pane_->screenText();
    enter("get/1/back");
    EXPECT_TRUE(outputShows("get back" + kTenBlanks + "  ")) << pane_->screenText();
    EXPECT_EQ(controller_->count(), 2u);
}

// Replies are data: percent signs stay, control bytes cannot move the cursor or wipe the title
// line, and a 64 KB binary reply is cut at the right edge.
TEST_F(TerminalCommandTest, HostileRepliesNeverBreakTheTitleLine) {
    std::string binary;
    for (int i = 0; i < 65536; ++i) {
        binary += static_cast<char>(i % 256);
    }
    start([binary](const ReceivedRequest& request, std::size_t index) {
        if (request.frames.at(1) == "binary") {
            return Answer{{"ok", binary}, 0ms};
        }
        if (request.frames.at(1) == "control") {
            return Answer{{"ok", "%s%n\r\n\bX\t"}, 0ms};
        }
        return replyWithLastField(request, index);
    });
    enter("getm/control");
    ASSERT_TRUE(outputShows("getm %s%n^M^J^HX^I" + kTenBlanks)) << pane_->screenText();
    EXPECT_EQ(outputRow().substr(0, 10), "Command:  ");
    EXPECT_EQ(outputRow().substr(kCols - 28, 23), "https://tvx.example.com");

    enter("getm/binary");
    ASSERT_TRUE(outputShows("getm ^@^A^B^C")) << pane_->screenText();
    EXPECT_EQ(outputRow().substr(0, 10), "Command:  ");
    EXPECT_EQ(pane_->row(kOutputRow + 1), std::string(kCols, ' ')) << pane_->screenText();

    enter("get/1/after");
    EXPECT_TRUE(outputShows("get after" + kTenBlanks)) << pane_->screenText();
}

// Bad lines show their text and send nothing; the console keeps reading commands.
TEST_F(TerminalCommandTest, OddLinesShowTheirTextAndTheNextCommandWorks) {
    start(replyWithLastField);
    const std::string wrong =
        "wrong commnad [h|s|set|setm|get|getm|log|switch|m|control|servo|goal|sgoal|steer]";
    // (a line that begins with "/" is the log's search; a blank before it makes it a bad line again)
    const std::vector<std::string> lines = {" ////", "   ", "\xc3\xa9t\xc3\xa9", std::string(255, 'x')};
    for (const std::string& line : lines) {
        enter(line);
        ASSERT_TRUE(outputShows(wrong)) << "line '" << line << "'\n" << pane_->screenText();
        enter("m");
        ASSERT_TRUE(outputShows("m/[f|b|s|] -- manual")) << pane_->screenText();
    }
    enter("");  // Enter alone: nothing happens
    enter("get/1/ok");
    EXPECT_TRUE(outputShows("get ok" + kTenBlanks)) << pane_->screenText();
    EXPECT_EQ(controller_->count(), 1u);
}

// help shows the command table in the log window until the next key, which then goes to the line as
// usual; Tab completes command words and keywords, and a second Tab lists the candidates.
TEST_F(TerminalCommandTest, HelpShowsTheCommandTableUntilTheNextKeyAndTabCompletes) {
    start(replyWithLastField);
    enter("help");
    ASSERT_TRUE(
        pane_->waitForScreen([](const auto& s) { return s[17].find("set/index/subindex/value") == 0; }, 3s))
        << pane_->screenText();
    EXPECT_EQ(controller_->count(), 0u);
    pane_->typeText("x");
    ASSERT_TRUE(pane_->waitForScreen([](const auto& s) { return s[25] == "x"; }, 3s)) << pane_->screenText();
    EXPECT_TRUE(
        pane_->waitForScreen([](const auto& s) { return s[17].find("set/index") == std::string::npos; }, 3s))
        << pane_->screenText();

    pane_->sendKeys({"BSpace"});
    pane_->typeText("ser");
    pane_->sendKeys({"Tab"});
    ASSERT_TRUE(pane_->waitForScreen([](const auto& s) { return s[25] == "servo/"; }, 3s))
        << pane_->screenText();
    pane_->typeText("of");
    pane_->sendKeys({"Tab"});
    ASSERT_TRUE(pane_->waitForScreen([](const auto& s) { return s[25] == "servo/off"; }, 3s))
        << pane_->screenText();

    pane_->sendKeys({"C-u"});
    pane_->typeText("se");
    pane_->sendKeys({"Tab", "Tab"});
    EXPECT_TRUE(outputShows("set  setm  servo")) << pane_->screenText();
    EXPECT_TRUE(pane_->waitForScreen([](const auto& s) { return s[25] == "se"; }, 3s)) << pane_->screenText();

    // An object's index completes with its name shown; objects lists them all in the log window.
    pane_->sendKeys({"C-u"});
    pane_->typeText("get/300");
    pane_->sendKeys({"Tab"});
    pane_->typeText("9");
    pane_->sendKeys({"Tab"});
    ASSERT_TRUE(pane_->waitForScreen([](const auto& s) { return s[25] == "get/3009/"; }, 3s))
        << pane_->screenText();
    EXPECT_TRUE(outputShows("3009 currentPosition")) << pane_->screenText();
    pane_->sendKeys({"C-u"});
    enter("objects");
    EXPECT_TRUE(
        pane_->waitForText("7253/0   driveCurrents          int,int                      status -", 3s))
        << pane_->screenText();
    EXPECT_EQ(controller_->count(), 0u);
}

// Ending the console while a command waits for its reply: it ends at once, the goal's second write
// is never sent, and the terminal is handed back.
TEST_F(TerminalCommandTest, SigtermDuringAnExchangeEndsAtOnce) {
    start(replyWithLastField);
    enter("goal/silent");
    ASSERT_TRUE(waitUntil([&] { return controller_->count() == 1; }, 3s)) << pane_->screenText();
    ASSERT_EQ(::kill(pane_->panePid(), SIGTERM), 0);
    int status = -1;
    EXPECT_TRUE(pane_->waitForExit(1000ms, &status)) << pane_->screenText();
    EXPECT_EQ(status, 0);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(controller_->count(), 1u);
}

}  // namespace
}  // namespace kova::test
