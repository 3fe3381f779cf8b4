#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "record/RecordQueue.h"
#include "record/RecordTypes.h"

namespace kova::record {

class RecordStore;

// Records every stream the console receives into an SQLite file (the tables are described in
// the README, under "The recording file").
//
// Producers on any threads hand messages over with recordStatus/recordLog/recordRequest; these never
// wait for the disk: they move the message onto a bounded queue (a mutex held only for that move).
// When the queue is full the message is dropped and counted; the writer later stores each run of
// drops as one gap row. The writer's own thread takes the queue every 100 ms (sooner when it is half
// full) and writes it in transactions of prepared inserts, so that after the process is killed the
// file opens cleanly and holds what was received up to well under a second before.
//
// Nothing here prints; every failure is a RecordError (open, close) or lastError() text (writes).
class RecordWriter {
public:
    // Room for about half a minute of the controller's status stream.
    static constexpr std::size_t kDefaultQueueCapacity = 16384;
    // The writer takes the queue at this interval while messages flow.
    static constexpr std::chrono::milliseconds kCommitInterval{100};

    // `queueCapacity`: messages that may wait for the writer (at least 1). Two buffers of that many
    // messages are reserved here.
    explicit RecordWriter(std::size_t queueCapacity = kDefaultQueueCapacity);
    // Calls close(), swallowing its error.
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Creates the recording `path` (WAL mode, synchronous=NORMAL, the tables, a session row started
    // now) and starts the writer thread. An existing file is never overwritten: without
    // `appendAllowed` it is refused untouched; with it, it must be a recording, and a new session is
    // added. Throws RecordError with a one-line text (RecordThreadError when the writer's thread cannot
    // start; a file made here is then removed again); the writer is then as before. Call once, from
    // the thread that owns the writer.
    void open(const std::string& path, bool appendAllowed, const SessionInfo& session);

    // Any thread. `ns`: the console's receive time in ns since the Unix epoch (system clock). The
    // frames are kept exactly. `vehicle`: the index in the session's vehicles of the one it came from
    // (-1 when the session records one connection). Ignored before open() and after close().
    void recordStatus(std::int64_t ns, Frames frames, std::int32_t vehicle = -1);
    // Any thread, lock-free: false when the queue seems full, so a producer can save itself building a
    // message that would be dropped and call dropStatus() instead.
    bool hasRoom() const { return !queue_.seemsFull(); }
    // Any thread: counts a status message received at `ns` as dropped (it becomes part of a gap row).
    void dropStatus(std::int64_t ns) { queue_.drop(Stream::Status, ns); }

    // Any thread. Every frame is one line; `lineNumber` is the number the console gave the first.
    void recordLog(std::int64_t ns, std::int64_t lineNumber, Frames frames, std::int32_t vehicle = -1);
    // Any thread. `sentNs`: when the request went out; `replyNs`: when the outcome was known (the
    // reply came, the wait ran out, or the error happened). `replyFrames`: the reply as received,
    // empty without one.
    void recordRequest(std::int64_t sentNs, std::string verb, std::string body, std::int64_t replyNs,
                       RequestOutcome outcome, Frames replyFrames, std::int32_t vehicle = -1);

    // Any thread, lock-free: messages lost so far (dropped on a full queue, or lost to a failed write).
    std::uint64_t droppedCount() const;
    // Any thread, lock-free: bytes of the database file on disk as of the last commit (after close,
    // the whole recording).
    std::uint64_t fileBytes() const { return fileBytes_.load(std::memory_order_relaxed); }
    // Any thread, lock-free: bytes of its write-ahead log as of the last commit; folded into the file
    // at close, so the recording will hold about fileBytes() + walBytes().
    std::uint64_t walBytes() const { return walBytes_.load(std::memory_order_relaxed); }
    // Any thread: SQLite's text for the last failed write, empty when none failed.
    std::string lastError() const;
    // Any thread, lock-free: whether the last write failed (writing has not recovered since).
    bool failing() const { return failing_.load(std::memory_order_relaxed); }

    // Called on the writer thread when writing starts failing (`failing` true, the file's name and the
    // error's text) and when it works again (false, the number of messages lost meanwhile). Set before
    // messages flow.
    void onWriteState(std::function<void(bool failing, const std::string& text)> report);

    // Drains the queue, writes the gap rows still owed for messages lost to failed writes, writes the
    // session's end time, checkpoints the WAL into the file and closes it. Idempotent; any thread
    // (producers may go on calling: their messages are then ignored). Throws RecordError when the end
    // cannot be written (the file still holds everything committed).
    void close();

    // Any thread: whether close() wrote the session's end and checkpointed the file.
    bool closedCleanly() const { return closedCleanly_.load(); }

    // The system clock now, in ns since the Unix epoch: the time base producers are expected to use.
    static std::int64_t nowNs();

private:
    void run();
    void push(QueuedMessage&& message);
    // Writer thread: writes one batch with the gap rows owed, and keeps the owed gaps and the failing
    // state up to date.
    void storeSizes();
    void writeBatch(const std::vector<QueuedMessage>& batch, DropTally drops);

    RecordQueue queue_;
    std::string path_;
    std::unique_ptr<RecordStore> store_;
    std::thread thread_;
    std::mutex lifecycle_;  // open() and close() against each other
    std::atomic<bool> closing_{false};
    std::atomic<std::uint64_t> lost_{0};
    std::atomic<std::uint64_t> fileBytes_{0};
    std::atomic<std::uint64_t> walBytes_{0};
    std::atomic<bool> failing_{false};
    std::atomic<bool> closedCleanly_{false};
    DropTally owed_{};                    // writer thread: lost runs whose gap rows are not yet written
    std::uint64_t lostWhileFailing_ = 0;  // writer thread
    mutable std::mutex errorMutex_;
    std::string lastError_;
    std::function<void(bool, const std::string&)> reportState_;
};

}  // namespace kova::record
