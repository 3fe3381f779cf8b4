// A console killed with SIGKILL mid-recording: the file opens cleanly, with the reader and with the
// sqlite3 tool, and holds everything received up to a second before the kill.
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
#include "record/Sqlite.h"

namespace kova::record {
namespace {

struct Progress {
    std::int64_t sequence;
    std::int64_t ns;
};

// The child: records status message after status message, reporting each one handed over.
[[noreturn]] void recordUntilKilled(const std::string& path, int report) {
    try {
        RecordWriter writer;
        writer.open(path, false, {"0.6", "c", "h", 1});
        for (std::int64_t sequence = 0;; ++sequence) {
            const Progress progress{sequence, RecordWriter::nowNs()};
            writer.recordStatus(progress.ns, {"4011", std::to_string(sequence)});
            if (write(report, &progress, sizeof progress) != sizeof progress) {
                _exit(2);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    } catch (...) {
        _exit(3);
    }
}

// Reads progress reports until `until` or the end of the pipe.
void readReports(int fd, std::vector<Progress>& reports, std::chrono::steady_clock::time_point until) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            return;
        }
        Progress progress{};
        if (read(fd, &progress, sizeof progress) != sizeof progress) {
            return;
        }
        reports.push_back(progress);
    }
}

TEST(RecordSurvival, AKilledRecorderLeavesAFileWithEverythingUpToASecondBeforeTheKill) {
    test::TempDir dir;
    const std::string path = dir.file("run.kovarec");
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        recordUntilKilled(path, pipeFds[1]);
    }
    close(pipeFds[1]);
    // While the child records, whatever it handed over a second ago is already in the file, at
    // whatever moment one looks.
    std::vector<Progress> reports;
    int looks = 0;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
         std::chrono::steady_clock::now() < end;) {
        readReports(pipeFds[0], reports, std::chrono::steady_clock::now() + std::chrono::milliseconds(150));
        const std::int64_t cutoff = RecordWriter::nowNs() - 1'000'000'000;
        const auto due =
            std::count_if(reports.begin(), reports.end(), [&](const Progress& p) { return p.ns <= cutoff; });
        if (due > 0) {
            Database db(path, SQLITE_OPEN_READONLY);
            EXPECT_GE(
                db.queryInt(("SELECT count(*) FROM status WHERE t_ns <= " + std::to_string(cutoff)).c_str()),
                due)
                << "look " << looks;
            ++looks;
        }
    }
    EXPECT_GT(looks, 5);
    const std::int64_t killNs = RecordWriter::nowNs();
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    readReports(pipeFds[0], reports, std::chrono::steady_clock::now() + std::chrono::seconds(1));
    close(pipeFds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended on its own with " << status;

    std::int64_t required = 0;  // messages handed over a second or more before the kill
    while (required < static_cast<std::int64_t>(reports.size()) &&
           reports[required].ns <= killNs - 1'000'000'000) {
        ++required;
    }
    ASSERT_GT(required, 100) << "the child recorded too little to judge";

    RecordReader reader(path);
    std::int64_t kept = 0;
    while (auto event = reader.next()) {
        const auto& frames = std::get<StatusEvent>(event->detail).frames;
        ASSERT_EQ(frames[1], std::to_string(kept)) << "messages are kept in order without holes";
        EXPECT_EQ(event->ns, reports[kept].ns);
        ++kept;
    }
    EXPECT_GE(kept, required);
    EXPECT_FALSE(reader.sessions()[0].endNs.has_value());

    const std::string query = "sqlite3 -readonly " + path +
                              " \"PRAGMA quick_check; SELECT count(*) FROM status WHERE object = '4011' AND "
                              "t_ns <= " +
                              std::to_string(reports[required - 1].ns) + "\"";
    EXPECT_EQ(test::runCommand(query), "ok\n" + std::to_string(required) + "\n");
}

}  // namespace
}  // namespace kova::record
