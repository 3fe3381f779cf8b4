#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "record/RecordTypes.h"

namespace kova::record {

// What a request adds to a queued message (requests are rare, so the common message stays small).
struct RequestDetails {
    std::string verb;
    std::string body;
    RequestOutcome outcome;
};

// One message on its way to the file.
struct QueuedMessage {
    Stream stream = Stream::Status;
    std::int64_t ns = 0;      // receive time; for a request the send time (ns since the Unix epoch)
    std::int64_t number = 0;  // log: number of the first line; request: reply time (ns)
    Frames frames;            // status and log: the message; request: the reply
    std::unique_ptr<RequestDetails> request;
    std::int32_t vehicle = -1;  // index in the session's vehicles; -1: not a fleet's vehicle
};

// Messages of one stream dropped because the queue was full.
struct DroppedRun {
    std::uint64_t count = 0;
    std::int64_t firstNs = 0;
    std::int64_t lastNs = 0;
};

// Dropped messages per stream (indexed by Stream) since the writer last took the queue.
using DropTally = std::array<DroppedRun, 3>;

// The bounded hand-over between the producers and the writer thread. Two buffers of `capacity`
// messages are reserved up front and swapped whole, so a push neither allocates nor does I/O while
// it holds the lock: it only moves the message in (or counts it as dropped).
class RecordQueue {
public:
    // `capacity` messages may wait at most (at least 1). The queue starts refusing messages until
    // start().
    explicit RecordQueue(std::size_t capacity);

    std::size_t capacity() const { return capacity_; }

    // Any thread. Queues the message; when the queue is full the message is dropped and counted in
    // the tally and in dropped(). Returns false when it was not queued. Messages pushed before
    // start() or after close() are ignored and not counted.
    bool push(QueuedMessage&& message);

    // Writer thread only. Waits until a message or a drop is waiting or the queue is closed; then,
    // unless half the capacity is used or the queue is closed, waits on until `notBefore`. Swaps all
    // waiting messages into `batch` (which must be empty with capacity() reserved) and the tally into
    // `drops`. Returns false, taking nothing, once the queue is closed and empty.
    bool take(std::vector<QueuedMessage>& batch, DropTally& drops,
              std::chrono::steady_clock::time_point notBefore);

    // Any thread. Starts accepting messages.
    void start();
    // Any thread. Refuses further messages and wakes take(), which then hands out what is left.
    void close();

    // Any thread: messages dropped so far because the queue was full.
    std::uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

    // Any thread, lock-free: whether the queue was full a moment ago. A producer may then count its
    // message as dropped (drop()) without building it; it errs, rarely, on the side of a drop.
    bool seemsFull() const { return size_.load(std::memory_order_relaxed) >= capacity_; }
    // Any thread: counts one message of `stream` received at `ns` as dropped, as a full queue does.
    void drop(Stream stream, std::int64_t ns);

private:
    bool somethingWaiting() const;
    // Counts a dropped message into the tally. Lock held.
    void tallyDrop(Stream stream, std::int64_t ns);

    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<QueuedMessage> pending_;
    DropTally tally_{};
    bool accepting_ = false;
    bool closed_ = false;
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::size_t> size_{0};  // pending_.size(), for seemsFull()
};

}  // namespace kova::record
