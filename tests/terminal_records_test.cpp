// What the console keeps on disk, against the real binary: every command line and request with its
// outcome in the operation log, and every controller log line in a file of the connection's name.
#include <chrono>
#include <regex>
#include <string>

#include <gtest/gtest.h>
#include <zmq.hpp>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "command_test_controller.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

// The records of the operation log, without their time stamps.
std::string records(const TempDir& dir) {
    std::string text;
    for (const std::string& line : splitLines(readFile(dir.file("log/kovaConsole.log")))) {
        const auto bracket = line.find('[');
        text += (bracket == std::string::npos ? line : line.substr(bracket)) + "\n";
    }
    return text;
}

TEST(TerminalRecords, EveryCommandAndRequestIsInTheOperationLogAsData) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    TestController controller(base + 2, [](const ReceivedRequest& request, std::size_t) {
        const std::string& body = request.frames.at(1);
        if (body == "3033/0/15") {
            return Answer{};  // silent: the route start after it is held back
        }
        if (body == "1/0") {
            return Answer{{"ERR", "bad\r\nline {} %s"}, 0ms};
        }
        return Answer{{"OK", "OK"}, 0ms};
    });
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    for (const char* line : {"goal/15", "get/1/0", "say \"{}\""}) {
        pane.typeText(line);
        ASSERT_TRUE(pane.waitForRow(25, line, 5s)) << pane.screenText();  // taken by the command line
        pane.sendKeys({"Enter"});
        ASSERT_TRUE(waitUntil([&] { return pane.row(25).find_first_not_of(' ') == std::string::npos; }, 5s));
    }
    ASSERT_TRUE(pane.stop()) << pane.screenText();

    const std::string log = records(dir);
    const std::regex expected(
        R"(\[info\] command "goal/15"\r
\[info\] request set 3033/0/15 -> no response \(12\d\d ms\)\r
\[info\] not sent: set 3031/0/2 \(step 1 of 2 failed\)\r
\[info\] command "get/1/0"\r
\[info\] request get 1/0 -> bad\\r\\nline \{\} %s \(\d+\.\d ms\)\r
\[info\] command "say \\"\{\}\\""\r
)");
    EXPECT_TRUE(std::regex_search(log, expected)) << log;
}

TEST(TerminalRecords, ControllerLogLinesAreKeptInAFileOfTheConnectionsName) {
    TempDir dir;
    const int base = freeBasePort();
    writeFile(dir.file("conf.json"),
              "{\"connection\": [{\"name\": \"ohv/01 west\", \"IP\": \"127.0.0.1\", \"port\": " +
                  std::to_string(base) + "}]}");
    zmq::context_t context;
    zmq::socket_t publisher(context, zmq::socket_type::pub);
    publisher.set(zmq::sockopt::linger, 0);
    publisher.bind("tcp://127.0.0.1:" + std::to_string(base + 4));
    TmuxPane pane(KOVA_CONSOLE_BINARY, dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(waitUntil(
        [&] {
            publisher.send(zmq::buffer(std::string("joined")), zmq::send_flags::dontwait);
            return pane.waitForText(" joined", 100ms);
        },
        8s));
    publisher.send(zmq::buffer(std::string("first\nsecond {}\x01")), zmq::send_flags::dontwait);
    ASSERT_TRUE(pane.waitForText("second {}^A", 3s)) << pane.screenText();

    // Flushed within a second or so, while the console runs.
    const std::string file = dir.file("log/ohv%2F01%20west.log");
    std::smatch match;
    std::string text;  // outlives the match, which points into it
    const std::regex record(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{6}) (\d+) first\\nsecond \{\}\\x01\n)");
    ASSERT_TRUE(waitUntil(
        [&] {
            text = readFile(file);
            return std::regex_search(text, match, record);
        },
        3s))
        << readFile(file);
    // The number is the one the line has on screen.
    EXPECT_NE(pane.screenText().find(match[2].str() + " first"), std::string::npos) << pane.screenText();
    ASSERT_TRUE(pane.stop());
}

}  // namespace
}  // namespace kova::test
