// The flight recorder through the real binary: what --record keeps, a file it must not overwrite, a
// recording that survives kill -9, a replay driven by its keys, and a plot of a simulated drive.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "controller_stand_in.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
#include "record/Sqlite.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;

std::string sql(const TempDir& dir, const std::string& query) {
    return runCommand("sqlite3 " + shellQuote(dir.file("rec.db")) + " " + shellQuote(query));
}

TEST(TerminalRecorder, EveryStreamIsRecordedAsReceivedAndAnExistingFileIsNeverOverwritten) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    ControllerStandIn controller(base);
    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --record rec.db", dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    const std::string binary("7\0\xff/1", 5);
    ASSERT_TRUE(controller.publishUntilShown(pane, {"3009", "12/7/1", binary}, "R-Cur: po( 12)"));
    ASSERT_TRUE(controller.logUntilShown(pane, "a log line", " a log line"));
    const std::string logShown = pane.screenText();
    pane.typeText("get/1/0");
    pane.sendKeys({"Enter"});
    ASSERT_TRUE(pane.waitForText("get get:1/0", 3s));
    EXPECT_TRUE(pane.waitForText(" MB + WAL ", 2s)) << "the title counts the WAL apart\n"
                                                    << pane.screenText();
    int status = -1;
    ASSERT_TRUE(pane.stop(5s, &status)) << "status " << status << "\n"
                                        << readFile(dir.file("log/kovaConsole.log"));

    // Closed cleanly, the file alone is the whole recording.
    EXPECT_FALSE(std::filesystem::exists(dir.file("rec.db-wal")));
    // Plain SQL finds it; the raw frames are kept beside, binary included.
    EXPECT_EQ(sql(dir, "SELECT value FROM status WHERE object = '3009' LIMIT 1;"), "12/7/1\n");
    record::RecordReader reader(dir.file("rec.db"));
    ASSERT_EQ(reader.sessions().size(), 1u);
    EXPECT_EQ(reader.sessions()[0].info.connectionName, "test");
    EXPECT_EQ(reader.sessions()[0].info.basePort, base);
    EXPECT_TRUE(reader.sessions()[0].endNs.has_value());
    bool sawFrames = false;
    bool sawLine = false;
    bool sawRequest = false;
    while (const auto event = reader.next()) {
        if (const auto* status = std::get_if<record::StatusEvent>(&event->detail)) {
            sawFrames |= status->frames == record::Frames{"3009", "12/7/1", binary};
        } else if (const auto* line = std::get_if<record::LogEvent>(&event->detail)) {
            sawLine |= line->text == "a log line" &&
                       logShown.find(std::to_string(line->lineNumber) + " a log line") != std::string::npos;
        } else if (const auto* request = std::get_if<record::RequestEvent>(&event->detail)) {
            sawRequest |= request->verb == "get" && request->body == "1/0" &&
                          request->replyFrames == record::Frames{"ok", "get:1/0"};
        }
    }
    EXPECT_TRUE(sawFrames);
    EXPECT_TRUE(sawLine) << "the log line with the number it had on screen";
    EXPECT_TRUE(sawRequest);

    // Again without --record-append: refused before the screen, the file untouched.
    const std::string before = readFile(dir.file("rec.db"));
    const std::string refused = runCommand("cd " + shellQuote(dir.path()) + " && " + KOVA_CONSOLE_BINARY +
                                           " --record rec.db 2>&1; echo status=$?");
    EXPECT_NE(refused.find("exists; use --record-append to add to it"), std::string::npos) << refused;
    EXPECT_NE(refused.find("status=2"), std::string::npos) << refused;
    EXPECT_EQ(readFile(dir.file("rec.db")), before);
    TmuxPane again(std::string(KOVA_CONSOLE_BINARY) + " --record rec.db --record-append", dir.path());
    ASSERT_TRUE(again.waitForWorkingWindows()) << again.screenText();
    ASSERT_TRUE(again.stop());
    EXPECT_EQ(record::RecordReader(dir.file("rec.db")).sessions().size(), 2u);
}

// Killed without a chance to close: the file opens cleanly and holds what came up to a second before.
TEST(TerminalRecorder, ARecordingSurvivesKillNine) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    ControllerStandIn controller(base);
    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --record rec.db", dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    ASSERT_TRUE(controller.publishUntilShown(pane, {"7120", "1"}, "pos:          1"));
    // A steady stream of numbered messages; the number sent a second before the kill must be there.
    int sent = 1;
    std::vector<std::pair<std::chrono::steady_clock::time_point, int>> sentAt;
    const auto until = std::chrono::steady_clock::now() + 2500ms;
    while (std::chrono::steady_clock::now() < until) {
        controller.publish({"7120", std::to_string(++sent)});
        sentAt.emplace_back(std::chrono::steady_clock::now(), sent);
        std::this_thread::sleep_for(5ms);
    }
    const auto killedAt = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(pane.panePid(), SIGKILL), 0);
    ASSERT_TRUE(pane.waitForExit(5s));
    int secondBefore = 0;
    for (const auto& [at, number] : sentAt) {
        if (at <= killedAt - 1s) {
            secondBefore = number;
        }
    }
    ASSERT_GT(secondBefore, 1);
    EXPECT_EQ(sql(dir, "PRAGMA quick_check;"), "ok\n");
    const std::string kept =
        sql(dir, "SELECT count(*) FROM status WHERE object = '7120' AND CAST(value AS INTEGER) = " +
                     std::to_string(secondBefore) + ";");
    EXPECT_EQ(kept, "1\n") << "message " << secondBefore << " of " << sent;
}

// A recording of 40 s: state codes changing every 10 s, numbered log lines, a request.
void makeRecording(const std::string& path) {
    record::RecordWriter writer;
    writer.open(path, false, {"0.6", "ohv-r", "10.1.1.1", 7000});
    const std::int64_t start = record::RecordWriter::nowNs() - 3'600'000'000'000LL;
    for (int tenth = 0; tenth < 400; ++tenth) {
        const std::int64_t t = start + tenth * 100'000'000LL;
        writer.recordStatus(t, {"111", std::to_string(3 + tenth / 100)});  // ManualOp, AutomaticOp, ...
        writer.recordStatus(t, {"7120", std::to_string(tenth)});
    }
    for (int line = 0; line < 4; ++line) {
        writer.recordLog(start + line * 10'000'000'000LL + 50'000'000, 40 + line,
                         {"event " + std::to_string(line)});
    }
    writer.recordRequest(start + 5'000'000'000LL, "set", "3033/0/15", start + 5'001'000'000LL,
                         record::RequestOutcome::replied(), {"OK", "3033/0 = 15 OK"});
    writer.close();
    // As if recorded an hour ago: a message before its session's start is a damaged row.
    record::Database db(path, SQLITE_OPEN_READWRITE);
    db.exec(("UPDATE session SET start_ns = " + std::to_string(start) + ";").c_str());
}

TEST(TerminalRecorder, AReplayDrivesTheWindowsAndFollowsItsKeys) {
    TempDir dir;
    makeRecording(dir.file("rec.db"));
    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --replay rec.db --speed 4", dir.path());
    ASSERT_TRUE(pane.waitForText("(ohv-r:10.1.1.1)", 8s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText(" x4", 2s)) << pane.screen()[0];
    ASSERT_TRUE(pane.waitForText("41 event 1", 5s)) << "log lines keep their recorded numbers\n"
                                                    << pane.screenText();
    EXPECT_TRUE(pane.waitForText("set 3033/0/15 -> set 3033/0 = 15 OK", 2s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText(":State(AutomaticOp)", 2s)) << pane.screenText();

    EXPECT_TRUE(pane.waitForText("status: live", 2s)) << pane.screen()[0];
    pane.sendKeys({"Space"});
    ASSERT_TRUE(pane.waitForText(" x4 paused", 2s)) << pane.screen()[0];
    EXPECT_TRUE(pane.waitForText("status: paused", 2s)) << "the link follows the replay's clock\n"
                                                         << pane.screen()[0];
    const std::string pausedAt = pane.screen()[0];
    std::this_thread::sleep_for(600ms);  // standing still: the title does not move
    EXPECT_EQ(pane.screen()[0], pausedAt);
    // A resize paints the title bar afresh; the replay's place comes back in it while paused too.
    pane.resize(150, 30);
    EXPECT_TRUE(pane.waitForText(" x4 paused", 2s)) << pane.screen()[0];
    pane.resize(160, 30);
    EXPECT_TRUE(pane.waitForText(" x4 paused", 2s)) << pane.screen()[0];
    pane.typeText("+");
    ASSERT_TRUE(pane.waitForText(" x8 paused", 2s)) << pane.screen()[0];
    // Back 10 s: played again from the start up to there, at once.
    pane.sendKeys({"Left"});
    EXPECT_TRUE(pane.waitForText(":State(ManualOp)", 3s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("40 event 0", 3s)) << pane.screenText();
    EXPECT_EQ(pane.screenText().find("41 event 1"), std::string::npos) << pane.screenText();
    // Any other key is typed on the line (find, filter, help); the replay's keys are its own again
    // once the line is empty.
    pane.typeText("x");
    EXPECT_TRUE(pane.waitForRow(25, "x", 2s)) << pane.screenText();
    pane.sendKeys({"BSpace"});
    pane.typeText("q");
    int status = -1;
    ASSERT_TRUE(pane.waitForExit(5s, &status)) << pane.screenText();
    EXPECT_EQ(status, 0);
}

// One session of a file of several plays, under its own name; an empty file is refused; the clock
// stops at the session's end, from where Left steps back and plays on.
TEST(TerminalRecorder, AReplayPlaysOneSessionWithinItsSpan) {
    TempDir dir;
    {
        record::RecordWriter empty;
        empty.open(dir.file("empty.db"), false, {"0.6", "ohv-e", "h", 1});
        empty.close();
    }
    const std::string refused = runCommand("cd " + shellQuote(dir.path()) + " && " + KOVA_CONSOLE_BINARY +
                                           " --replay empty.db 2>&1; echo status=$?");
    EXPECT_EQ(refused, "kovaConsoleOHV: empty.db holds no messages\nstatus=2\n");

    makeRecording(dir.file("rec.db"));
    {
        record::RecordWriter second;
        second.open(dir.file("rec.db"), true, {"0.6", "ohv-s", "10.2.2.2", 7100});
        const std::int64_t t = record::RecordWriter::nowNs() + 1'000'000;
        second.recordStatus(t, {"111", "5"});
        second.recordStatus(t + 3'000'000'000LL, {"111", "6"});
        second.close();
    }
    const std::string beyond = runCommand("cd " + shellQuote(dir.path()) + " && " + KOVA_CONSOLE_BINARY +
                                          " --replay rec.db --session 3 2>&1; echo status=$?");
    EXPECT_EQ(beyond, "kovaConsoleOHV: rec.db holds sessions 1 to 2, not 3\nstatus=2\n");

    {
        TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --replay rec.db --speed 1024", dir.path());
        ASSERT_TRUE(pane.waitForText("(ohv-s:10.2.2.2)", 8s)) << pane.screenText();
        EXPECT_TRUE(pane.waitForText("replay session 2/2", 2s)) << pane.screen()[0];
        EXPECT_TRUE(pane.waitForText("session 2 of 2, started", 2s)) << pane.screenText();
        pane.typeText("q");
        ASSERT_TRUE(pane.waitForExit(5s));
    }
    {
        record::Database db(dir.file("rec.db"), SQLITE_OPEN_READWRITE);
        db.exec("UPDATE status SET frames = zeroblob(40000) WHERE id = 5; UPDATE log SET line = 'x' WHERE id = 1;"
                "INSERT INTO gap (session, t_ns, end_ns, count, stream) SELECT session, t_ns + 5000000000, "
                "t_ns + 5000000000, 3, 'log' FROM log WHERE line = 42;");
    }
    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --replay rec.db --session 1 --speed 1024", dir.path());
    ASSERT_TRUE(pane.waitForText("(ohv-r:10.1.1.1)", 8s)) << pane.screenText();
    EXPECT_TRUE(pane.waitForText("replay session 1/2", 2s)) << pane.screen()[0];
    EXPECT_TRUE(pane.waitForText(", 2 damaged rows skipped", 2s)) << pane.screen()[0];
    // 40 s at x1024: the end comes at once and the clock stays at the last event.
    ASSERT_TRUE(pane.waitForText(" x1024 ended", 3s)) << pane.screen()[0];
    EXPECT_TRUE(pane.waitForText("status: paused", 2s)) << pane.screen()[0];
    EXPECT_TRUE(pane.waitForText("41 event 1", 1s)) << pane.screenText();
    // The gap is said on the command line: no log line takes the number of the line after it.
    const std::string ended = pane.screenText();
    EXPECT_NE(ended.find("recording gap: 3 log messages dropped"), std::string::npos) << ended;
    EXPECT_EQ(ended.find("recording gap"), ended.rfind("recording gap")) << ended;
    pane.typeText("+");
    EXPECT_TRUE(pane.waitForText(" x1024 max ended", 2s)) << pane.screen()[0];
    const std::string atEnd = pane.screen()[0];
    pane.sendKeys({"Right"});
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(pane.screen()[0], atEnd) << "Right stays at the end";
    pane.sendKeys({"Space", "Left"});
    ASSERT_TRUE(pane.waitForText(" x1024 max paused", 2s)) << pane.screen()[0];
    EXPECT_TRUE(pane.waitForText("42 event 2", 2s)) << "10 s back from the end\n" << pane.screenText();
    EXPECT_EQ(pane.screenText().find("40 event 0"), std::string::npos) << "a damaged line stays out";
    EXPECT_EQ(pane.screenText().find("43 event 3"), std::string::npos) << pane.screenText();
    pane.sendKeys({"Space"});
    EXPECT_TRUE(pane.waitForText("43 event 3", 2s)) << "and plays on from there\n" << pane.screenText();
    pane.typeText("q");
    ASSERT_TRUE(pane.waitForExit(5s));
}

TEST(TerminalRecorder, AFileThatIsNoRecordingIsRefusedBeforeTheScreen) {
    TempDir dir;
    writeFile(dir.file("notes.txt"), "not a recording");
    const std::string said = runCommand("cd " + shellQuote(dir.path()) + " && " + KOVA_CONSOLE_BINARY +
                                        " --replay notes.txt 2>&1; echo status=$?");
    EXPECT_EQ(said.rfind("kovaConsoleOHV: ", 0), 0u) << said;
    EXPECT_NE(said.find("notes.txt"), std::string::npos) << said;
    EXPECT_NE(said.find("status=2"), std::string::npos) << said;
    EXPECT_FALSE(fileExists(dir.file("log/kovaConsole.log")));
}

// A drive of the simulated vehicle, recorded by the console and drawn by scripts/plot.
TEST(TerminalRecorder, APlotOfARecordedSimulatedDrive) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    ChildProcess sim(
        {KOVA_SIM_BINARY, "--config", "conf.json", "--time-scale", "8", "--no-obstacles", "--seed", "3"},
        dir.path(), dir.file("sim.txt"));
    TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --record rec.db", dir.path());
    ASSERT_TRUE(pane.waitForText(":State(ManualOp)", 10s)) << pane.screenText();
    for (const char* command : {"servo/on", "switch/auto", "goal/15"}) {
        pane.typeText(command);
        pane.sendKeys({"Enter"});
        ASSERT_TRUE(waitUntil([&] { return pane.row(25).find_first_not_of(' ') == std::string::npos; }, 5s));
    }
    ASSERT_TRUE(pane.waitForText("EoR(Y)", 30s)) << pane.screenText();
    ASSERT_TRUE(pane.stop());
    const int status =
        std::system((std::string(KOVA_SOURCE_DIR) + "/scripts/plot " + shellQuote(dir.file("rec.db")) + " " +
                     shellQuote(dir.file("drive.png")) + " >/dev/null 2>&1")
                        .c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string png = readFile(dir.file("drive.png"));
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_GT(png.size(), 10000u);
}

TEST(TerminalRecorder, AFullDiskIsShownLoggedAndEndsInStatusThreeAndAThreadThatCannotStartLeavesNoFile) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    ControllerStandIn controller(base);
    // A file-size limit as a full disk: without SIGXFSZ ignored it would kill the console.
    TmuxPane pane("sh -c " + shellQuote("exec prlimit --fsize=300000 " + std::string(KOVA_CONSOLE_BINARY) +
                                        " --record rec.db 2>err.txt"),
                  dir.path());
    ASSERT_TRUE(pane.waitForWorkingWindows()) << pane.screenText();
    const std::string big(60000, 'x');
    ASSERT_TRUE(controller.publishUntilShown(pane, {"3009", big}, "rec FAILING: disk I/O error"))
        << pane.screenText();
    int status = -1;
    pane.stop(10s, &status);
    EXPECT_EQ(status, 3) << pane.screenText();
    const std::string err = readFile(dir.file("err.txt"));
    EXPECT_NE(err.find("kovaConsoleOHV: the recording lacks "), std::string::npos) << err;
    EXPECT_EQ(err.find("LOG ERROR"), std::string::npos) << err;
    EXPECT_NE(readFile(dir.file("log/kovaConsole.log")).find("recording fails: rec.db: disk I/O error"),
              std::string::npos);

#ifndef KOVA_SANITIZED  // the sanitizers cannot start within a bounded address space
    // A thread stack larger than the address space allows: the recorder's thread cannot start.
    const std::string refused =
        runCommand("cd " + shellQuote(dir.path()) + " && prlimit --stack=8000000000 --as=4000000000 " +
                   KOVA_CONSOLE_BINARY + " --record new.db 2>&1; echo status=$?");
    EXPECT_NE(refused.find("cannot start the recorder's thread"), std::string::npos) << refused;
    EXPECT_NE(refused.find("status=1"), std::string::npos) << refused;
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.db")));
#endif
}

TEST(TerminalRecorder, ALogWriteThatFailsIsSaidInTheTitleNotOverTheScreen) {
    TempDir dir;
    const int base = freeBasePort();
    writeConf(dir.path(), "127.0.0.1", base);
    // Writes past a file-size limit fail: said once in the title, never over the screen (an unwritable
    // log folder is a start-up test).
    {
        TmuxPane pane("exec prlimit --fsize=20 " + std::string(KOVA_CONSOLE_BINARY), dir.path());
        ASSERT_TRUE(pane.waitForText("log write failed: ", 5s)) << pane.screenText();
        EXPECT_EQ(pane.screenText().find("LOG ERROR"), std::string::npos) << pane.screenText();
        pane.stop();
    }
}

// A fleet recorded whole: every vehicle's stream and the open vehicle's log lines, each row naming
// its vehicle; played back, the table comes first and Enter opens a vehicle; NAME plays one alone.
TEST(TerminalRecorder, AFleetIsRecordedAndReplayedWithItsTable) {
    TempDir dir;
    std::vector<std::unique_ptr<ControllerStandIn>> vehicles;
    std::string conf = "{\"connection\": [";
    for (int i = 1; i <= 3; ++i) {
        const int base = freeBasePort();
        vehicles.push_back(std::make_unique<ControllerStandIn>(base));
        conf += std::string(i == 1 ? "" : ", ") + "{\"name\": \"ohv00" + std::to_string(i) +
                "\", \"IP\": \"127.0.0.1\", \"port\": " + std::to_string(base) + "}";
    }
    writeFile(dir.file("conf.json"), conf + "]}");
    {
        TmuxPane pane(std::string(KOVA_CONSOLE_BINARY) + " --fleet --record rec.db", dir.path());
        ASSERT_TRUE(pane.waitForRow(0, "fleet: 3 vehicles", 8s)) << pane.screenText();
        EXPECT_TRUE(pane.waitForScreen([](const auto& s) { return s[0].find(" rec ") != std::string::npos; }, 3s))
            << "the recorder's state shows over the table too";
        for (int i : {0, 1}) {
            ASSERT_TRUE(waitUntil(
                [&] {
                    vehicles[static_cast<std::size_t>(i)]->publish({"111", "4"});
                    vehicles[static_cast<std::size_t>(i)]->publish({"501", i == 0 ? "W110/servoOff" : "/"});
                    return pane.waitForScreen(
                        [&](const auto& s) { return s[2 + i].find("AutomaticOp") != std::string::npos; },
                        100ms);
                },
                8s))
                << pane.screenText();
        }
        pane.sendKeys({"Down", "Down", "Enter"});
        ASSERT_TRUE(pane.waitForText("(ohv003:127.0.0.1)", 3s)) << pane.screenText();
        ASSERT_TRUE(vehicles[2]->logUntilShown(pane, "third's line", " third's line"));
        int status = -1;
        ASSERT_TRUE(pane.stop(5s, &status));
        EXPECT_EQ(status, 0);
    }
    EXPECT_EQ(sql(dir, "SELECT DISTINCT vehicle FROM status WHERE object = '111' ORDER BY vehicle;"),
              "ohv001\nohv002\n");
    EXPECT_EQ(sql(dir, "SELECT vehicle FROM log WHERE text = 'third''s line';"), "ohv003\n");
    EXPECT_EQ(sql(dir, "SELECT count(*) FROM vehicle;"), "3\n");

    {
        TmuxPane replay(std::string(KOVA_CONSOLE_BINARY) + " --replay rec.db", dir.path());
        ASSERT_TRUE(replay.waitForRow(0, "fleet: 3 vehicles", 8s)) << replay.screenText();
        EXPECT_TRUE(replay.waitForScreen([](const auto& s) { return s[0].find(" replay ") != std::string::npos; }, 3s))
            << replay.screenText();
        ASSERT_TRUE(replay.waitForScreen(
            [](const auto& s) { return s[3].find("AutomaticOp") != std::string::npos; }, 5s))
            << replay.screenText();
        // The journal is rebuilt from each vehicle's own recorded stream.
        replay.typeText("a");
        EXPECT_TRUE(replay.waitForText("ohv001", 3s) && replay.waitForText("active unacked warning 1 W110", 3s))
            << replay.screenText();
        replay.typeText("fleet");
        replay.sendKeys({"Enter"});
        ASSERT_TRUE(replay.waitForRow(0, "fleet: 3 vehicles", 3s)) << replay.screenText();
        replay.sendKeys({"Down", "Enter"});
        EXPECT_TRUE(replay.waitForText("(ohv002:127.0.0.1)", 3s)) << replay.screenText();
        EXPECT_TRUE(replay.waitForText(":State(AutomaticOp)", 3s)) << replay.screenText();
        replay.typeText("fleet");
        replay.sendKeys({"Enter"});
        ASSERT_TRUE(replay.waitForRow(0, "fleet: 3 vehicles", 3s)) << replay.screenText();
        replay.typeText("q");
        int status = -1;
        ASSERT_TRUE(replay.waitForExit(5s, &status)) << replay.screenText();
        EXPECT_EQ(status, 0);
    }
    {
        TmuxPane alone(std::string(KOVA_CONSOLE_BINARY) + " --replay rec.db ohv003", dir.path());
        ASSERT_TRUE(alone.waitForText("(ohv003:127.0.0.1)", 8s)) << alone.screenText();
        EXPECT_TRUE(alone.waitForText(" third's line", 5s)) << alone.screenText();
        alone.typeText("q");
        ASSERT_TRUE(alone.waitForExit(5s));
    }
    const std::string refused = runCommand("cd " + shellQuote(dir.path()) + " && " + KOVA_CONSOLE_BINARY +
                                           " --replay rec.db ohv009 2>&1; echo status=$?");
    EXPECT_EQ(refused,
              "kovaConsoleOHV: the fleet recorded in rec.db has no vehicle named ohv009 (it has: ohv001, "
              "ohv002, ohv003)\nstatus=2\n");
}

}  // namespace
}  // namespace kova::test
