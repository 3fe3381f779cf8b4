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
// as the walk reaches it. One thread uses a reader at a time.
class RecordReader {
public:
    // Rows read per table and chunk.
    static constexpr std::size_t kDefaultChunkRows = 512;

    // Opens `path` and checks that it is a recording this version reads. Throws RecordError with a
    // one-line text naming the file for a missing, empty, non-SQLite, foreign SQLite, newer-format or
    // damaged file.
    explicit RecordReader(const std::string& path, std::size_t chunkRows = kDefaultChunkRows);

    // The sessions as of opening, oldest first.
    const std::vector<SessionRecord>& sessions() const { return sessions_; }
    // The first and last event times as of opening (a gap counts with both of its ends); nothing
    // when the recording holds no event.
    const std::optional<TimeSpan>& span() const { return span_; }

    // The walk goes on from the first event at or after `ns` (backwards as well as forwards).
    void seek(std::int64_t ns);
    // The next event in time order (at equal times: status, log, request, gap, then in recorded
    // order), or nothing at the end. Throws RecordError when the file turns out to be damaged.
    std::optional<RecordedEvent> next();

private:
    std::string path_;
    Database db_;
    std::vector<SessionRecord> sessions_;
    std::optional<TimeSpan> span_;
    std::vector<TableCursor> cursors_;
};

}  // namespace kova::record
