// The recorder when its writes fail: under a file-size limit (the process's own, with SIGXFSZ ignored
// as the console does) writing fails with EFBIG, is reported once, and once the limit is lifted the
// lost span reaches the file as gap rows and the recovery is reported.
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
#include "record/Sqlite.h"

#include <sqlite3.h>

namespace kova::record {
namespace {

using namespace std::chrono_literals;

// Sets the soft file-size limit for as long as it lives (the hard limit is never lowered, so it can
// be raised again).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { lift(); }
    void lift() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

template <typename Done>
bool waitUntil(Done done) {
    for (int i = 0; i < 100 && !done(); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    return done();
}

TEST(RecordWriteFailure, LostSpanBecomesGapRowsOnceWritingWorksAgainAndEachChangeIsReportedOnce) {
    signal(SIGXFSZ, SIG_IGN);
    test::TempDir dir;
    std::mutex reportsMutex;
    std::vector<std::string> reports;
    RecordWriter writer;
    writer.onWriteState([&](bool failing, const std::string& text) {
        std::lock_guard<std::mutex> lock(reportsMutex);
        reports.push_back((failing ? "failing " : "recovered ") + text);
    });
    writer.open(dir.file("rec.db"), false, SessionInfo{"0.6", "OHV-1", "h", 5550, {}});
    const std::string big(20000, 'x');
    {
        FileSizeLimit limit(64 * 1024);
        for (int i = 0; i < 10; ++i) {
            writer.recordStatus(1000 + i, {"3009", big});
        }
        ASSERT_TRUE(waitUntil([&] { return writer.failing(); }));
        EXPECT_EQ(writer.lastError(), "disk I/O error");
        for (int i = 0; i < 10; ++i) {  // still failing: reported once only
            writer.recordStatus(2000 + i, {"3009", big});
        }
        std::this_thread::sleep_for(300ms);
        limit.lift();
    }
    writer.recordStatus(3000, {"3009", "ok"});
    ASSERT_TRUE(waitUntil([&] { return !writer.failing(); }));
    const std::uint64_t lost = writer.droppedCount();
    EXPECT_GT(lost, 0u);
    writer.close();
    EXPECT_TRUE(writer.closedCleanly());
    {
        std::lock_guard<std::mutex> lock(reportsMutex);
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[0].rfind("failing " + dir.file("rec.db") + ": ", 0), 0u) << reports[0];
        EXPECT_EQ(reports[1], "recovered " + std::to_string(lost));
    }
    RecordReader reader(dir.file("rec.db"));
    std::uint64_t gapCount = 0;
    std::int64_t gapFirst = 0;
    std::int64_t gapLast = 0;
    bool sawAfter = false;
    while (const auto event = reader.next()) {
        if (const auto* gap = std::get_if<GapEvent>(&event->detail)) {
            gapFirst = gapCount == 0 ? event->ns : gapFirst;
            gapLast = gap->lastNs;
            gapCount += gap->count;
        } else if (const auto* status = std::get_if<StatusEvent>(&event->detail)) {
            sawAfter |= status->frames == Frames{"3009", "ok"};
        }
    }
    EXPECT_EQ(gapCount, lost) << "every lost message is in a gap row";
    EXPECT_GE(gapFirst, 1000);
    EXPECT_EQ(gapLast, 2009);
    EXPECT_TRUE(sawAfter);
}

TEST(RecordWriteFailure, ALockHeldAtCloseIsWaitedOnForABoundedTimeThenCountsAsLost) {
    test::TempDir dir;
    RecordWriter writer;
    writer.open(dir.file("rec.db"), false, SessionInfo{"0.6", "OHV-1", "h", 5550, {}});
    Database other(dir.file("rec.db"), SQLITE_OPEN_READWRITE);
    other.exec("BEGIN IMMEDIATE");
    writer.recordStatus(1000, {"3009", "held"});
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(writer.close(), RecordError);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, 2s) << "a busy lock is waited on";
    EXPECT_LT(waited, 10s) << "but not for ever";
    EXPECT_FALSE(writer.closedCleanly());
    EXPECT_EQ(writer.droppedCount(), 1u);
    EXPECT_NE(writer.lastError().find("locked"), std::string::npos) << writer.lastError();
}

}  // namespace
}  // namespace kova::record
