#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record/RecordedEvent.h"
#include "record/Sqlite.h"
#include "record/TableCursor.h"

namespace kova::record {

// Reads a recording back: its sessions, its time span, and all its events (status messages, log
// lines, requests and gaps) as one walk in time order from any point. Events are read in chunks, so
// an hour's recording never sits in memory whole. The file is opened read-only; it may still be
// being written (by a writer in another process or thread), and what is committed meanwhile shows up
// as the walk reaches it. Where nothing can be written beside the file (a read-only folder), it is
// read as immutable, without its WAL. One thread uses a reader at a time.
class RecordReader {
public:
    // Rows read per table and chunk.
    static constexpr std::size_t kDefaultChunkRows = 512;
    // No time at or after this (about the year 2116) is believed: far from int64's end, so positions,
    // spans and jumps computed from a recorded time cannot overflow.
    static constexpr std::int64_t kLatestNs = std::int64_t{1} << 62;

    // Opens `path` and checks that it is a recording this version reads. Throws RecordError with a
    // one-line text naming the file for a missing, empty, non-SQLite, foreign SQLite, newer-format or
    // damaged file.
    explicit RecordReader(const std::string& path, std::size_t chunkRows = kDefaultChunkRows);

    // What the operator should know about how the file was read (a WAL file beside it that could
    // not be applied), or empty text.
    const std::string& notice() const { return notice_; }

    // The sessions as of opening, oldest first.
    const std::vector<SessionRecord>& sessions() const { return sessions_; }
    // The first and last event times of the walk's scope as of opening or of selectSession (a gap
    // counts with both of its ends); nothing when the scope holds no event.
    const std::optional<TimeSpan>& span() const { return span_; }

    // From now on the walk covers the session sessions()[index] alone, and only the times from its
    // start on: an earlier time went backwards past it. Without it the walk covers every session.
    // Either way a time must be an integer below kLatestNs to count as one. The walk starts over.
    void selectSession(std::size_t index);
    // From now on the walk (and span()) covers the rows of the vehicle `name` of a fleet recording
    // and the rows that name no vehicle (gaps); nothing: every vehicle. The walk starts over.
    void selectVehicle(std::optional<std::string> name);
    // The file's format version (1: no vehicle is named anywhere).
    int version() const { return version_; }
    // The events of session sessions()[index] (as of now, its times within its scope).
    std::uint64_t sessionEvents(std::size_t index) const;

    // Rows of the scope that cannot be replayed: a time that is no integer or lies outside the scope
    // (counted at the first call after opening or selectSession, in one pass over every table), and
    // rows the walk found damaged so far. Each counts once. Throws RecordError.
    std::uint64_t damagedRows();

    // The walk goes on from the first event at or after `ns` (backwards as well as forwards).
    void seek(std::int64_t ns);
    // The next event in time order (at equal times: status, log, request, gap, then in recorded
    // order), or nothing at the end. A damaged row is skipped and counted. Throws RecordError when
    // SQLite cannot read the file.
    std::optional<RecordedEvent> next();

private:
    WalkScope sessionScope(std::size_t index) const;
    void setScope(const WalkScope& scope);

    std::string path_;
    std::string notice_;
    int version_ = 0;
    Database db_;
    std::vector<SessionRecord> sessions_;
    std::optional<TimeSpan> span_;
    WalkScope scope_;
    // Rows of the scope's session(s) whose time is not in the scope; nothing until counted.
    std::optional<std::uint64_t> outsideRows_;
    std::vector<TableCursor> cursors_;
};

}  // namespace kova::record
