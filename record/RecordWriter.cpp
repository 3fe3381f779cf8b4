#include "record/RecordWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "record/RecordStore.h"

namespace kova::record {

namespace {

// How far the writer thread stands back from the receive paths (nice value, 0 to 19).
constexpr int kWriterNice = 10;

// Creates `path` empty, failing when it exists (O_EXCL: no other process can slip a file in between
// the check and the creation). Returns false when it exists.
bool createExclusive(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) {
            return false;
        }
        throw RecordError("cannot create " + path + " (" + std::strerror(errno) + ")");
    }
    ::close(fd);
    return true;
}

// Adds `more` to the run `into` (either may be empty).
void mergeRun(DroppedRun& into, const DroppedRun& more) {
    if (more.count == 0) {
        return;
    }
    if (into.count == 0) {
        into = more;
        return;
    }
    into.count += more.count;
    into.firstNs = std::min(into.firstNs, more.firstNs);
    into.lastNs = std::max(into.lastNs, more.lastNs);
}

}  // namespace

RecordWriter::RecordWriter(std::size_t queueCapacity) : queue_(queueCapacity) {}

RecordWriter::~RecordWriter() {
    try {
        close();
    } catch (const RecordError&) {
        // Nothing can be done about it here; what was committed stays in the file.
    }
}

void RecordWriter::open(const std::string& path, bool appendAllowed, const SessionInfo& session) {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (store_ || closing_.load()) {
        throw RecordError("the recording is already open or closed; open " + path + " with a new writer");
    }
    const bool created = createExclusive(path);
    if (!created && !appendAllowed) {
        throw RecordError(path + " exists; use --record-append to add to it");
    }
    try {
        store_ = std::make_unique<RecordStore>(path, created, session, nowNs());
    } catch (const RecordError&) {
        if (created) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
            std::filesystem::remove(path + "-wal", ignored);
            std::filesystem::remove(path + "-shm", ignored);
        }
        throw;
    }
    path_ = path;
    storeSizes();
    try {
        thread_ = std::thread(&RecordWriter::run, this);
    } catch (const std::system_error& error) {
        // The writer is as before open(): no thread to join, and no half-made file left to block a
        // rerun (an appended file keeps its earlier sessions and gains only an unfinished one).
        store_.reset();
        if (created) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
            std::filesystem::remove(path + "-wal", ignored);
            std::filesystem::remove(path + "-shm", ignored);
        }
        throw RecordThreadError("cannot start the recorder's thread (" + std::string(error.what()) + ")");
    }
    queue_.start();
}

void RecordWriter::push(QueuedMessage&& message) {
    queue_.push(std::move(message));
}

void RecordWriter::recordStatus(std::int64_t ns, Frames frames, std::int32_t vehicle) {
    push({Stream::Status, ns, 0, std::move(frames), nullptr, vehicle});
}

void RecordWriter::recordLog(std::int64_t ns, std::int64_t lineNumber, Frames frames, std::int32_t vehicle) {
    push({Stream::Log, ns, lineNumber, std::move(frames), nullptr, vehicle});
}

void RecordWriter::recordRequest(std::int64_t sentNs, std::string verb, std::string body,
                                 std::int64_t replyNs, RequestOutcome outcome, Frames replyFrames,
                                 std::int32_t vehicle) {
    auto details = std::make_unique<RequestDetails>(
        RequestDetails{std::move(verb), std::move(body), std::move(outcome)});
    push({Stream::Request, sentNs, replyNs, std::move(replyFrames), std::move(details), vehicle});
}

std::uint64_t RecordWriter::droppedCount() const {
    return queue_.dropped() + lost_.load(std::memory_order_relaxed);
}

std::string RecordWriter::lastError() const {
    std::lock_guard<std::mutex> lock(errorMutex_);
    return lastError_;
}

void RecordWriter::onWriteState(std::function<void(bool, const std::string&)> report) {
    std::lock_guard<std::mutex> lock(errorMutex_);
    reportState_ = std::move(report);
}

void RecordWriter::storeSizes() {
    const RecordStore::Sizes sizes = store_->diskBytes();
    fileBytes_.store(sizes.file, std::memory_order_relaxed);
    walBytes_.store(sizes.wal, std::memory_order_relaxed);
}

void RecordWriter::writeBatch(const std::vector<QueuedMessage>& batch, DropTally drops) {
    for (std::size_t stream = 0; stream < drops.size(); ++stream) {
        mergeRun(drops[stream], owed_[stream]);
    }
    std::string error;
    std::size_t firstLost = 0;
    const std::size_t lost = store_->write(batch, drops, closing_, error, firstLost);
    std::function<void(bool, const std::string&)> report;
    std::string text;
    if (lost > 0 || !error.empty()) {
        // Everything not written becomes one gap run per stream, written once a write works again.
        owed_ = drops;
        for (std::size_t i = firstLost; i < batch.size(); ++i) {
            const QueuedMessage& message = batch[i];
            mergeRun(owed_[static_cast<std::size_t>(message.stream)], DroppedRun{1, message.ns, message.ns});
        }
        lost_.fetch_add(lost, std::memory_order_relaxed);
        lostWhileFailing_ += lost;
        std::lock_guard<std::mutex> lock(errorMutex_);
        if (!failing_.exchange(true, std::memory_order_relaxed)) {
            report = reportState_;
            text = path_ + ": " + error;
        }
        lastError_ = std::move(error);
    } else {
        owed_ = DropTally{};
        if (failing_.exchange(false, std::memory_order_relaxed)) {
            std::lock_guard<std::mutex> lock(errorMutex_);
            report = reportState_;
            text = std::to_string(lostWhileFailing_);
            lostWhileFailing_ = 0;
        }
    }
    storeSizes();
    if (report) {
        report(failing_.load(std::memory_order_relaxed), text);
    }
}

void RecordWriter::run() {
    // The receive paths keep the screen live; on a machine short of CPU the writer gives way, and
    // what its queue cannot hold is counted as a gap rather than slowing what the operator sees.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWriterNice);
    std::vector<QueuedMessage> batch;
    batch.reserve(queue_.capacity());
    DropTally drops{};
    bool triedWhileClosing = false;
    auto notBefore = std::chrono::steady_clock::now();
    while (queue_.take(batch, drops, notBefore)) {
        notBefore = std::chrono::steady_clock::now() + kCommitInterval;
        triedWhileClosing = closing_.load();
        writeBatch(batch, drops);
        batch.clear();
    }
    // Gap rows still owed after a failed write get one more try at close, unless the last try was
    // already part of closing (a busy lock has then had its bounded wait).
    if (!triedWhileClosing &&
        std::any_of(owed_.begin(), owed_.end(), [](const DroppedRun& run) { return run.count > 0; })) {
        writeBatch(batch, DropTally{});
    }
}

void RecordWriter::close() {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (closing_.exchange(true) || !store_) {
        return;
    }
    queue_.close();
    thread_.join();
    std::unique_ptr<RecordStore> store = std::move(store_);
    try {
        store->finish(nowNs());
    } catch (const RecordError& error) {
        std::lock_guard<std::mutex> errorLock(errorMutex_);
        lastError_ = error.what();
        throw;
    }
    store.reset();  // closes the file
    closedCleanly_.store(true);
    std::error_code ignored;
    const auto size = std::filesystem::file_size(path_, ignored);
    if (!ignored) {
        fileBytes_.store(size, std::memory_order_relaxed);
        const auto wal = std::filesystem::file_size(path_ + "-wal", ignored);
        walBytes_.store(ignored ? 0 : wal, std::memory_order_relaxed);
    }
}

std::int64_t RecordWriter::nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace kova::record
