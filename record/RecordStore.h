#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record/RecordQueue.h"
#include "record/Sqlite.h"

namespace kova::record {

// The writing side of one recording file: the connection, its prepared inserts and the session row.
// Made by the thread that opens the recording, then used by the writer thread alone.
class RecordStore {
public:
    // Opens `path` (which the caller has just created empty when `created`, else an existing file to
    // append to), sets WAL mode with synchronous=NORMAL, creates the schema in a new file or checks an
    // existing one, and adds a session row starting at `startNs`. Throws RecordError.
    RecordStore(const std::string& path, bool created, const SessionInfo& session, std::int64_t startNs);

    // Writes the batch in time-bounded transactions (a commit at least every kTransactionSpan), then
    // one gap row per stream with drops. While another connection holds the write lock it waits,
    // bounded only once `closing` is set. Returns how many of the batch's messages could not be
    // written (all of them, or the last ones from `firstLost` on, after a failure; the failure's text
    // is then in `error`, also when only the gap rows failed).
    std::size_t write(const std::vector<QueuedMessage>& batch, const DropTally& drops,
                      const std::atomic<bool>& closing, std::string& error, std::size_t& firstLost);

    // Writes the session's end time, checkpoints the WAL into the file and leaves rollback-journal
    // mode behind (unless another connection has the file open), so that once the store is destroyed
    // the recording is one self-contained file. Throws RecordError.
    void finish(std::int64_t endNs);

    // Bytes of the database file and of its WAL on disk.
    struct Sizes {
        std::uint64_t file = 0;
        std::uint64_t wal = 0;
    };
    Sizes diskBytes() const;

private:
    void begin(const std::atomic<bool>& closing);
    void insert(const QueuedMessage& message);
    void insertGap(Stream stream, const DroppedRun& run);
    // Binds the name of vehicle `index` of the session (NULL for -1 or an unknown index).
    void bindVehicle(Statement& insert, int column, std::int32_t index);

    std::string path_;
    Database db_;
    std::int64_t session_ = 0;
    std::vector<std::string> vehicles_;  // the session's vehicles' names, by index
    Statement insertStatus_;
    Statement insertLog_;
    Statement insertRequest_;
    Statement insertGap_;
};

}  // namespace kova::record
