#include "record/RecordQueue.h"

#include <algorithm>
#include <utility>

namespace kova::record {

RecordQueue::RecordQueue(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {
    pending_.reserve(capacity_);
}

bool RecordQueue::push(QueuedMessage&& message) {
    bool wakeWriter = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!accepting_) {
            return false;
        }
        if (pending_.size() >= capacity_) {
            tallyDrop(message.stream, message.ns);
            return false;
        }
        pending_.push_back(std::move(message));
        size_.store(pending_.size(), std::memory_order_relaxed);
        // The writer waits for the first message, then for half the capacity or its commit time.
        wakeWriter = pending_.size() == 1 || pending_.size() == std::max<std::size_t>(capacity_ / 2, 1);
    }
    if (wakeWriter) {
        wake_.notify_one();
    }
    return true;
}

void RecordQueue::tallyDrop(Stream stream, std::int64_t ns) {
    DroppedRun& run = tally_[static_cast<std::size_t>(stream)];
    if (run.count == 0) {
        run.firstNs = ns;
    }
    run.lastNs = ns;
    ++run.count;
    dropped_.fetch_add(1, std::memory_order_relaxed);
}

void RecordQueue::drop(Stream stream, std::int64_t ns) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!accepting_) {
            return;
        }
        tallyDrop(stream, ns);
    }
}

bool RecordQueue::somethingWaiting() const {
    return !pending_.empty() ||
           std::any_of(tally_.begin(), tally_.end(), [](const DroppedRun& run) { return run.count > 0; });
}

bool RecordQueue::take(std::vector<QueuedMessage>& batch, DropTally& drops,
                       std::chrono::steady_clock::time_point notBefore) {
    if (batch.capacity() < capacity_) {
        batch.reserve(capacity_);
    }
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return closed_ || somethingWaiting(); });
    const std::size_t half = std::max<std::size_t>(capacity_ / 2, 1);
    wake_.wait_until(lock, notBefore, [this, half] { return closed_ || pending_.size() >= half; });
    if (!somethingWaiting()) {
        return false;  // closed and drained
    }
    batch.swap(pending_);
    size_.store(0, std::memory_order_relaxed);
    drops = tally_;
    tally_ = DropTally{};
    return true;
}

void RecordQueue::start() {
    std::lock_guard<std::mutex> lock(mutex_);
    accepting_ = !closed_;
}

void RecordQueue::close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        accepting_ = false;
        closed_ = true;
    }
    wake_.notify_all();
}

}  // namespace kova::record
