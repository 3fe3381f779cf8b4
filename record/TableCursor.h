#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "record/RecordedEvent.h"
#include "record/Sqlite.h"

namespace kova::record {

// The rows a walk takes: those of one session (or of all), whose time is an integer in
// [fromNs, beforeNs). Rows outside are not events of the walk.
struct WalkScope {
    std::optional<std::int64_t> session;
    std::int64_t fromNs = 0;
    std::int64_t beforeNs = 0;
    // The rows of this vehicle of a fleet recording and the rows that name none; all when nothing.
    std::optional<std::string> vehicle;
};

// `sql` with every VEHICLE put as the vehicle column, or as NULL when the tables have none (`named`
// false: a version 1 recording).
std::string withVehicleColumn(std::string sql, bool named);

// Walks one event table of a recording in (time, id) order, reading `chunkRows` rows at a time so
// that only one chunk per table is ever in memory. Each chunk is its own read, so a file that is
// still being written can be followed. A row that cannot be read back (a wrong type, frames cut
// short or beyond the decoding bounds, an unknown name, a gap that makes no sense) is skipped and
// remembered as damaged. Used by one thread.
class TableCursor {
public:
    // `kind`: the event kind, the index of its alternative in RecordedEvent::detail (0 status, 1 log,
    // 2 request, 3 gap). `named`: the table has the vehicle column (a recording of version 2 on).
    // Throws SqliteError.
    TableCursor(const Database& db, std::size_t kind, std::size_t chunkRows, bool named = true);

    std::size_t kind() const { return kind_; }

    // The rows walked from now on; the walk starts over at the scope's start.
    void setScope(const WalkScope& scope);
    // The next read starts with the first event at or after `ns` (not before the scope's start).
    void seek(std::int64_t ns);
    // The next event, reading a chunk when none is buffered; nullptr when the table has no more.
    const RecordedEvent* peek();
    // Removes and returns the event peek() showed (which must not have been nullptr).
    RecordedEvent take();

    // How many rows of the scope were found damaged so far (each counted once, however often the
    // walk passes it).
    std::size_t damagedRows() const { return damaged_; }

private:
    // The event of the chunk statement's current row, or nothing when the row is damaged.
    std::optional<RecordedEvent> readRow() const;
    std::optional<RequestEvent> readRequest() const;
    std::optional<GapEvent> readGap(std::int64_t ns) const;
    std::optional<Frames> framesAt(int column) const;

    Statement chunk_;
    std::size_t kind_;
    std::int64_t chunkRows_;
    WalkScope scope_;
    std::deque<RecordedEvent> buffer_;
    std::int64_t afterNs_ = 0;
    std::int64_t afterId_ = 0;
    // Damaged rows counted, and the furthest (time, id) read: a row is counted when the walk first
    // passes it, not again when it passes it after a seek back.
    std::size_t damaged_ = 0;
    std::pair<std::int64_t, std::int64_t> furthest_{std::numeric_limits<std::int64_t>::min(), 0};
    // After a chunk that came back short (the table's end, as of then), the table is asked again no
    // sooner than this: a walk then costs one query per chunk, not one per event for every table
    // that has nothing more, while rows committed meanwhile still show up within a moment.
    std::chrono::steady_clock::time_point askAgainAt_{};
};

}  // namespace kova::record
