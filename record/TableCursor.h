#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "record/RecordedEvent.h"
#include "record/Sqlite.h"

namespace kova::record {

// Walks one event table of a recording in (time, id) order, reading `chunkRows` rows at a time so
// that only one chunk per table is ever in memory. Each chunk is its own read, so a file that is
// still being written can be followed. Used by one thread.
class TableCursor {
public:
    // `kind`: the event kind, the index of its alternative in RecordedEvent::detail (0 status, 1 log,
    // 2 request, 3 gap). `path` names the file in error texts. Throws SqliteError.
    TableCursor(const Database& db, std::size_t kind, const std::string& path, std::size_t chunkRows);

    std::size_t kind() const { return kind_; }

    // The next read starts with the first event at or after `ns`.
    void seek(std::int64_t ns);
    // The next event, reading a chunk when none is buffered; nullptr when the table has no more.
    // Throws RecordError for a row that cannot be read back (a damaged file).
    const RecordedEvent* peek();
    // Removes and returns the event peek() showed (which must not have been nullptr).
    RecordedEvent take();

private:
    // The event of the chunk statement's current row.
    RecordedEvent readRow() const;
    RequestEvent readRequest() const;
    GapEvent readGap() const;
    Frames framesAt(int column) const;
    // The error for the current row, which cannot be read back for `what`.
    RecordError damaged(const char* what) const;

    Statement chunk_;
    std::size_t kind_;
    std::string path_;
    std::int64_t chunkRows_;
    std::deque<RecordedEvent> buffer_;
    std::int64_t afterNs_ = 0;
    std::int64_t afterId_ = 0;
    // After a chunk that came back short (the table's end, as of then), the table is asked again no
    // sooner than this: a walk then costs one query per chunk, not one per event for every table
    // that has nothing more, while rows committed meanwhile still show up within a moment.
    std::chrono::steady_clock::time_point askAgainAt_{};
};

}  // namespace kova::record
