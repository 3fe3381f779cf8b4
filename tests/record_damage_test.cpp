// Recordings damaged with plain SQL: a row that cannot be replayed is skipped and counted once, the
// walk always ends, sessions are walked one at a time, and a file beside which nothing can be written
// is still read.
#include <filesystem>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
#include "record/Sqlite.h"

namespace kova::record {
namespace {

// Ten status messages 1 ms apart from `t`, log lines 7 and 8, one request; returns `t`.
std::int64_t makeSession(const std::string& path, bool append, const std::string& name) {
    RecordWriter writer;
    writer.open(path, append, {"0.6", name, "h", 1});
    const std::int64_t t = RecordWriter::nowNs() + 1'000'000;
    for (int i = 0; i < 10; ++i) {
        writer.recordStatus(t + i * 1'000'000, {"4034", std::to_string(i)});
    }
    writer.recordLog(t + 500'000, 7, {"seven", "eight"});
    writer.recordRequest(t + 2'500'000, "get", "4011/0", t + 2'600'000, RequestOutcome::replied(), {"0", "ok"});
    writer.close();
    return t;
}

std::vector<RecordedEvent> walk(RecordReader& reader) {
    std::vector<RecordedEvent> events;
    while (auto event = reader.next()) {
        events.push_back(std::move(*event));
        if (events.size() > 1000) {
            break;  // a walk that repeats itself
        }
    }
    return events;
}

TEST(RecordDamage, RowsThatCannotBeReplayedAreSkippedAndCountedOnce) {
    test::TempDir dir;
    const std::string path = dir.file("rec.db");
    const std::int64_t t = makeSession(path, false, "a");
    {
        Database db(path, SQLITE_OPEN_READWRITE);
        const std::string at = std::to_string(t);
        db.exec(("UPDATE status SET frames = 'text' WHERE id = 1;"
                 "UPDATE status SET frames = x'0500000041' WHERE id = 2;"
                 "UPDATE status SET frames = zeroblob(400000) WHERE id = 3;"     // 100,000 empty frames
                 "UPDATE status SET t_ns = 'soon' WHERE id = 4;"                 // repeated a chunk for ever
                 "UPDATE status SET t_ns = 12.5 WHERE id = 5;"
                 "UPDATE status SET t_ns = 9223372036854775807 WHERE id = 6;"
                 "UPDATE status SET t_ns = " + at + " - 86400000000000 WHERE id = 7;"  // before its session
                 "UPDATE log SET line = 'x' WHERE line = 8;"
                 "UPDATE request SET outcome = 'maybe';"
                 "INSERT INTO gap (session, t_ns, end_ns, count, stream) VALUES "
                 "(1, " + at + ", " + at + ", -1, 'status'), (1, " + at + ", " + at + ", 'many', 'status'),"
                 "(1, " + at + ", " + at + " - 1, 2, 'status'), (1, " + at + ", " + at + ", 1125899906842624, 'log'),"
                 "(1, " + at + ", " + at + " + 5, 3, 'log');")
                    .c_str());
    }
    RecordReader reader(path, 2);  // chunks of two rows: damage at every chunk's edge
    reader.selectSession(0);
    const auto events = walk(reader);
    ASSERT_EQ(events.size(), 3u + 1 + 1);  // the sound gap, log line 7, status 7, 8, 9
    EXPECT_EQ(std::get<GapEvent>(events[0].detail).count, 3u);
    EXPECT_EQ(std::get<LogEvent>(events[1].detail).lineNumber, 7);
    EXPECT_EQ(std::get<StatusEvent>(events[2].detail).frames[1], "7");
    EXPECT_EQ(reader.damagedRows(), 7u + 1 + 1 + 4);
    ASSERT_TRUE(reader.span());
    EXPECT_EQ(reader.span()->firstNs, t);
    EXPECT_EQ(reader.span()->lastNs, t + 9'000'000);
    reader.seek(t);  // walked again: counted once
    EXPECT_EQ(walk(reader).size(), events.size());
    EXPECT_EQ(reader.damagedRows(), 13u);
}

TEST(RecordDamage, EachSessionIsWalkedAlone) {
    test::TempDir dir;
    const std::string path = dir.file("rec.db");
    const std::int64_t first = makeSession(path, false, "a");
    const std::int64_t second = makeSession(path, true, "b");
    RecordReader reader(path);
    EXPECT_EQ(walk(reader).size(), 26u);
    reader.selectSession(0);
    EXPECT_EQ(reader.sessionEvents(0), 13u);
    EXPECT_EQ(reader.span()->lastNs, first + 9'000'000);
    reader.selectSession(1);
    EXPECT_EQ(reader.span()->firstNs, second);
    const auto events = walk(reader);
    ASSERT_EQ(events.size(), 13u);
    EXPECT_EQ(events.front().session, reader.sessions()[1].id);
    EXPECT_EQ(events.back().session, reader.sessions()[1].id);
}

TEST(RecordDamage, ARecordingInAReadOnlyFolderIsReadAsItStands) {
    test::TempDir dir;
    const std::string folder = dir.file("ro");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/rec.db";
    makeSession(dir.file("rec.db"), false, "a");
    {
        // A writer that has not closed: the file is in WAL mode and its newest rows are in the WAL.
        Database writer(dir.file("rec.db"), SQLITE_OPEN_READWRITE);
        writer.exec("PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0;"
                    "INSERT INTO status (session, t_ns, object, value, frames) SELECT session, t_ns + 1, "
                    "object, value, frames FROM status;");
        std::filesystem::copy_file(dir.file("rec.db"), path);
        std::filesystem::copy_file(dir.file("rec.db-wal"), path + "-wal");
    }
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    std::filesystem::permissions(folder, std::filesystem::perms(0555));
    // Read by an unprivileged user (root writes into any folder); the child says what it found.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::getuid() == 0 && ::setuid(65534) != 0) {
            ::_exit(90);
        }
        try {
            RecordReader reader(path);
            const bool noticed = reader.notice().find("rec.db-wal could not be applied") != std::string::npos;
            ::_exit(noticed ? static_cast<int>(walk(reader).size()) : 91);
        } catch (const RecordError&) {
            ::_exit(92);
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::filesystem::permissions(folder, std::filesystem::perms(0755));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 13) << "90 setuid, 91 no notice, 92 refused";
}

}  // namespace
}  // namespace kova::record
