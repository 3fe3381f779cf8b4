// A writer that cannot keep up: the producers never wait, messages past the queue's capacity are
// dropped and counted, and each run of drops reaches the file as one gap row in its place in time.
#include <map>
#include <string>
#include <variant>
#include <vector>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
#include "record/Sqlite.h"

namespace kova::record {
namespace {

TEST(RecordOverflow, DropsWhileTheWriterIsStalledBecomeGapRowsThatAccountForEveryMessage) {
    test::TempDir dir;
    const std::string path = dir.file("run.kovarec");
    constexpr int kStalled = 40;
    RecordWriter writer(4);
    writer.open(path, false, {"0.6", "c", "h", 1});
    {
        // Another connection holding the write lock stalls the writer at its next transaction.
        Database blocker(path, SQLITE_OPEN_READWRITE);
        blocker.exec("BEGIN IMMEDIATE");
        for (int i = 0; i < kStalled; ++i) {
            writer.recordStatus(1000 + i, {"4034", std::to_string(i)});
        }
        writer.recordLog(2000, 1, {"lost line"});
        // At most two queue-fulls got past: one taken by the stalled writer, one waiting.
        EXPECT_GE(writer.droppedCount(), static_cast<std::uint64_t>(kStalled + 1 - 8));
        blocker.exec("ROLLBACK");
    }
    // The log line was dropped last: once its gap row is in, the writer has emptied the queue.
    Database watcher(path, SQLITE_OPEN_READONLY);
    ASSERT_TRUE(test::waitUntil(
        [&] { return watcher.queryInt("SELECT count(*) FROM gap WHERE stream = 'log'") == 1; },
        std::chrono::seconds(10)));
    for (int i = kStalled; i < kStalled + 3; ++i) {
        writer.recordStatus(3000 + i, {"4034", std::to_string(i)});
    }
    writer.close();

    RecordReader reader(path);
    std::vector<int> stored;
    std::vector<GapEvent> gaps;
    std::vector<std::int64_t> gapTimes;
    std::int64_t previous = 0;
    while (auto event = reader.next()) {
        EXPECT_LE(previous, event->ns);
        previous = event->ns;
        if (const auto* status = std::get_if<StatusEvent>(&event->detail)) {
            stored.push_back(std::stoi(status->frames[1]));
        } else if (const auto* gap = std::get_if<GapEvent>(&event->detail)) {
            gaps.push_back(*gap);
            gapTimes.push_back(event->ns);
        }
    }
    // Missing status messages form runs; each run is exactly one status gap with its first and last
    // time and its count. The log line has a gap of its own.
    std::map<std::int64_t, std::pair<std::int64_t, std::uint64_t>> runs;  // first -> (last, count)
    std::int64_t runStart = -1;
    std::size_t next = 0;
    for (int i = 0; i < kStalled; ++i) {
        const bool kept = next < stored.size() && stored[next] == i;
        next += kept ? 1 : 0;
        if (kept) {
            runStart = -1;
            continue;
        }
        if (runStart < 0) {
            runStart = 1000 + i;
        }
        runs[runStart] = {1000 + i, runs[runStart].second + 1};
    }
    std::uint64_t gapTotal = 0;
    std::size_t statusGaps = 0;
    for (std::size_t g = 0; g < gaps.size(); ++g) {
        gapTotal += gaps[g].count;
        if (gaps[g].stream == Stream::Log) {
            EXPECT_EQ(gapTimes[g], 2000);
            EXPECT_EQ(gaps[g].count, 1u);
            continue;
        }
        ++statusGaps;
        ASSERT_EQ(runs.count(gapTimes[g]), 1u) << "a gap starting at " << gapTimes[g];
        EXPECT_EQ(gaps[g].lastNs, runs[gapTimes[g]].first);
        EXPECT_EQ(gaps[g].count, runs[gapTimes[g]].second);
    }
    EXPECT_EQ(statusGaps, runs.size());
    EXPECT_EQ(gapTotal, writer.droppedCount());
    EXPECT_EQ(stored.size() + writer.droppedCount(), static_cast<std::size_t>(kStalled + 3 + 1));
    EXPECT_EQ(std::vector<int>(stored.end() - 3, stored.end()), (std::vector<int>{40, 41, 42}));
}

// A producer that sees no room counts its message as dropped without building it; those drops are
// accounted for like the queue's own.
TEST(RecordOverflow, MessagesCountedAsDroppedUpFrontBecomeAGapRowToo) {
    test::TempDir dir;
    const std::string path = dir.file("run.kovarec");
    RecordWriter writer(2);
    writer.open(path, false, {"0.6", "c", "h", 1});
    {
        Database blocker(path, SQLITE_OPEN_READWRITE);
        blocker.exec("BEGIN IMMEDIATE");
        // Fill the queue while the writer is stalled (it may take one batch first).
        for (int i = 0; writer.hasRoom() && i < 10; ++i) {
            writer.recordStatus(100 + i, {"4034", std::to_string(i)});
        }
        ASSERT_FALSE(writer.hasRoom());
        const std::uint64_t before = writer.droppedCount();
        writer.dropStatus(500);
        writer.dropStatus(700);
        EXPECT_EQ(writer.droppedCount(), before + 2);
        blocker.exec("ROLLBACK");
    }
    writer.close();
    Database file(path, SQLITE_OPEN_READONLY);
    EXPECT_EQ(file.queryInt("SELECT sum(count) FROM gap WHERE stream = 'status'"),
              static_cast<std::int64_t>(writer.droppedCount()));
    EXPECT_EQ(file.queryInt("SELECT max(end_ns) FROM gap"), 700);
}

}  // namespace
}  // namespace kova::record
