// The real binary run from the shell against the real simulator: --do, --watch and --script, their
// output, their exit statuses and what reaches the vehicle.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

struct ShellRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A simulator on a free port (time 10 times faster, so a drive takes seconds) and a conf.json that
// names it "v1" and a vehicle nobody serves, "dead".
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        const int base = freeBasePort();
        writeFile(dir_.file("conf.json"),
                  "{\"connection\":[{\"name\":\"v1\",\"IP\":\"127.0.0.1\",\"port\":" + std::to_string(base) +
                      "},{\"name\":\"dead\",\"IP\":\"127.0.0.1\",\"port\":" + std::to_string(freeBasePort()) +
                      "}]}");
        sim_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{KOVA_SIM_BINARY, "--port", std::to_string(base), "--seed", "1",
                                     "--time-scale", "10", "--log", "sim.log"},
            dir_.path());
        // The vehicle takes a moment to bring its drives up: until then "servo/on" is refused.
        ASSERT_TRUE(waitUntil([this] { return run("--do servo/on").status == 0; }, 15s));
    }

    // The console with `args` (shell syntax) in the test's folder, bounded by `timeout` seconds.
    ShellRun run(const std::string& args, const std::string& pipeTo = "", int timeout = 30) {
        ShellRun result;
        const std::string command =
            "cd " + shellQuote(dir_.path()) + " && timeout -s KILL " + std::to_string(timeout) + " " +
            KOVA_CONSOLE_BINARY + " " + args + " 2>err.txt" +
            (pipeTo.empty() ? " >out.txt" : " | " + pipeTo + " >out.txt") + "; echo ${PIPESTATUS[0]}";
        const std::string status = runCommand("bash -c " + shellQuote(command));
        result.status = status.empty() ? -1 : std::stoi(status);
        result.out = readFile(dir_.file("out.txt"));
        result.err = readFile(dir_.file("err.txt"));
        return result;
    }

    TempDir dir_;
    std::unique_ptr<ChildProcess> sim_;
};

// A read and a write: one reply line each, as the output field shows it, exit 0; with --json one
// object per reply, with the command, the reply and the outcome.
TEST_F(ShellTest, DoReadsAndWritesOneReplyPerLine) {
    const ShellRun plain = run("v1 --do get/3009/0 --do servo/on");
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(splitLines(plain.out).size(), 2u) << plain.out;
    EXPECT_EQ(plain.out.rfind("get 3009/0 = ", 0), 0u) << plain.out;
    EXPECT_NE(plain.out.find("\nset 4092/0 = 1 OK\n"), std::string::npos) << plain.out;

    const ShellRun json = run("--json --do switch/auto --do goal/15",
                              "jq -c 'select(.command == \"goal/15\") | [.command, .outcome, .reply]'");
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              "[\"goal/15\",\"ok\",\"set 3033/0 = 15 OK\"]\n[\"goal/15\",\"ok\",\"set 3031/0 = 2 OK\"]\n");
    EXPECT_NE(readFile(dir_.file("log/kovaConsole.log")).find("shell --do \"goal/15\""), std::string::npos);
}

// Rejected before anything is sent (4), refused by the controller (6), nobody answering (5, within
// the reply time), and options that do not go together (2): each said on standard error.
TEST_F(ShellTest, DoSaysEachFailureInItsOwnExitStatus) {
    const ShellRun rejected = run("--do servo/on --do get/1");
    EXPECT_EQ(rejected.status, 4);
    EXPECT_NE(rejected.err.find("get/index/subindex"), std::string::npos) << rejected.err;
    EXPECT_EQ(rejected.out, "");
    EXPECT_EQ(run("--do help").status, 4);
    EXPECT_EQ(run("--do fleet").status, 4);

    const ShellRun refused = run("--do set/9999/0/1 --do servo/on");
    EXPECT_EQ(refused.status, 6);
    EXPECT_EQ(splitLines(refused.out).size(), 1u) << "nothing after the refusal: " << refused.out;

    const auto started = std::chrono::steady_clock::now();
    const ShellRun silent = run("dead --do get/111/0 --do get/111/0");
    EXPECT_EQ(silent.status, 5);
    EXPECT_EQ(silent.out, "no response\n");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 6s) << "bounded by the reply time, not a hang";

    const ShellRun clash = run("--do get/111/0 --replay x.db");
    EXPECT_EQ(clash.status, 2);
    EXPECT_NE(clash.err.find("not with --replay"), std::string::npos) << clash.err;
}

// The status stream as JSON lines through `head`: the named fields as the record stores them, and
// the watch ends at once, exit 0, when head has its lines; so does a watch of the fleet, and one
// ended by SIGTERM.
TEST_F(ShellTest, WatchWritesJsonLinesUntilThePipeOrASignalEndsIt) {
    const auto started = std::chrono::steady_clock::now();
    const ShellRun watched =
        run("--watch 3009,111", "head -n 5 | jq -c '[.vehicle, .index, (.fields | keys)]'");
    EXPECT_EQ(watched.status, 0) << watched.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s) << "ends when head has its lines";
    const std::vector<std::string> lines = splitLines(watched.out);
    ASSERT_EQ(lines.size(), 5u) << watched.out;
    for (const std::string& line : lines) {
        EXPECT_TRUE(line == R"(["v1",3009,["currentPo","currentSegment","onRoute"]])" ||
                    line == R"(["v1",111,["operationState"]])")
            << line;
    }
    const ShellRun fleet = run("--fleet --watch --every 100", "head -n 1 | jq -r .vehicle");
    EXPECT_EQ(fleet.status, 0) << fleet.err;
    EXPECT_EQ(fleet.out, "v1\n");

    ChildProcess watch({KOVA_CONSOLE_BINARY, "--watch"}, dir_.path(), dir_.file("watch.txt"));
    ASSERT_TRUE(waitUntil([this] { return !readFile(dir_.file("watch.txt")).empty(); }, 5s));
    watch.signal(SIGTERM);
    int status = -1;
    ASSERT_TRUE(watch.waitExit(3s, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// --record keeps the run as the console would: the requests of --do, the stream of --watch; a
// recording that cannot be written in full (a file-size limit) makes the run end with exit 3.
TEST_F(ShellTest, RecordKeepsTheRunAndSaysWhenItCouldNot) {
    ASSERT_EQ(run("--record rec.db --do get/3009/0 --do h").status, 0);
    EXPECT_EQ(runCommand("sqlite3 " + shellQuote(dir_.file("rec.db")) + " 'select verb, body from request'"),
              "get|3009/0\nset|4011/0/3\n");

    ChildProcess limited(
        {"/usr/bin/prlimit", "--fsize=60000", "--", KOVA_CONSOLE_BINARY, "--record", "full.db", "--watch"},
        dir_.path());
    // The simulator publishes a few hundred messages a second: one of the files soon meets the limit.
    ASSERT_TRUE(waitUntil(
        [this] {
            return readFile(dir_.file("full.db")).size() > 55000 ||
                   readFile(dir_.file("full.db-wal")).size() > 55000;
        },
        20s));
    std::this_thread::sleep_for(500ms);
    limited.signal(SIGTERM);
    int status = -1;
    ASSERT_TRUE(limited.waitExit(5s, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
}

// A script that drives the vehicle to a point and waits for it: every step reported in order, exit
// 0, and the audit records marked with the script and the line.
TEST_F(ShellTest, ScriptDrivesToAPointAndWaitsForIt) {
    writeFile(dir_.file("drive.txt"),
              "# to point 5\nswitch/auto\nexpect OK\n\ngoal/5\nwait currentPo == 5 within 60\nsleep 0.1\n");
    const ShellRun drive = run("--script drive.txt");
    EXPECT_EQ(drive.status, 0) << drive.out << drive.err;
    const std::vector<std::string> lines = splitLines(drive.out);
    ASSERT_EQ(lines.size(), 5u) << drive.out;
    EXPECT_EQ(lines[0].rfind("line 2 ok ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[3].rfind("line 6 ok ", 0), 0u) << lines[3];
    EXPECT_EQ(run("--do get/3009/0").out.rfind("get 3009/0 = 5", 0), 0u);
    const std::string audit = readFile(dir_.file("log/kovaConsole.log"));
    EXPECT_NE(audit.find("script \"drive.txt\" line 5"), std::string::npos) << audit;
}

// A script that fails, and one interrupted by Ctrl-C, each stop the run with exit 1 and send their
// abort command once: the vehicle is left hard-stopped (the controller's control object reads 3).
TEST_F(ShellTest, FailedOrInterruptedScriptSendsItsAbortCommand) {
    writeFile(dir_.file("fail.txt"), "switch/auto\ngoal/15\nwait currentPo == 99 within 0.5\n");
    EXPECT_NE(run("--do get/4011/0").out, "get 4011/0 = 3\n");
    const ShellRun failed = run("--script fail.txt --on-abort h");
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("fail.txt line 3: currentPo is "), std::string::npos) << failed.err;
    EXPECT_EQ(splitLines(failed.out).back(), "on-abort ok: h -> set 4011/0 = 3 OK") << failed.out;
    EXPECT_EQ(run("--do get/4011/0").out, "get 4011/0 = 3\n");

    ASSERT_EQ(run("--do control/sp").status, 0);
    writeFile(dir_.file("long.txt"), "goal/15\nwait currentPo == 99\n");
    ChildProcess script({KOVA_CONSOLE_BINARY, "--script", "long.txt", "--on-abort", "h"}, dir_.path(),
                        dir_.file("long.out"));
    ASSERT_TRUE(waitUntil([this] { return !readFile(dir_.file("long.out")).empty(); }, 5s));
    script.signal(SIGINT);
    int status = -1;
    ASSERT_TRUE(script.waitExit(5s, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(readFile(dir_.file("long.out")).find("on-abort ok: h"), std::string::npos);
    EXPECT_EQ(run("--do get/4011/0").out, "get 4011/0 = 3\n");
}

// Input that cannot be followed: a clear message naming the line, nothing sent, the documented exit
// status, and never a hang, a silent controller included.
TEST_F(ShellTest, BadScriptsAreRefusedBeforeAnythingIsSent) {
    struct Case {
        std::string script;
        int status;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"servo/on\nwait nosuchField == 1\n", 2,
         "s.txt line 2: the status record has no field 'nosuchField'"},
        {"wait currentPo == 1.5\n", 2, "line 1: '1.5' is not a whole number"},
        {"#\n" + std::string(5000, 'x') + "\n", 2, "line 2: the line is 5000 bytes long"},
        {"servo/on\nexpect \xff\xfe\n", 2, "line 2: the line is not UTF-8 text"},
        {"servo/on\nget/1\n", 4, "line 2: \"get/1\": get/index/subindex"},
        {"servo/on\nhelp\n", 4, "line 2: \"help\" belongs to the console's screen"},
    };
    for (const Case& c : cases) {
        writeFile(dir_.file("s.txt"), c.script);
        const ShellRun refused = run("--script s.txt");
        EXPECT_EQ(refused.status, c.status) << c.said;
        EXPECT_NE(refused.err.find(c.said), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "");
    }
    EXPECT_EQ(run("--script .").status, 2);
    EXPECT_EQ(run("--script s.txt --on-abort get/1").status, 4);

    writeFile(dir_.file("s.txt"), "get/111/0\n");
    const auto started = std::chrono::steady_clock::now();
    const ShellRun silent = run("dead --script s.txt");
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("s.txt line 1: no reply to get 111/0: no response"), std::string::npos)
        << silent.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 6s) << "bounded by the reply time, not a hang";
}

}  // namespace
}  // namespace kova::test
