#include "record/TableCursor.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "record/FrameCodec.h"

namespace kova::record {

namespace {

// Per kind: the rows of the scope after a (time, id) position, in order; columns 0 id, 1 time, 2
// session, then the kind's own, then the vehicle. ?1 ?2 the position, ?3 the chunk's rows, ?4 the
// session (NULL: all), ?5 the end of the scope's times, ?6 the vehicle (NULL: all). A frames BLOB
// beyond the decoding bound comes back NULL without being read. `VEHICLE` stands for the vehicle
// column, which a version 1 recording lacks (its rows are then of no named vehicle).
#define KOVA_SCOPE(time) \
    " WHERE (" time ", id) > (?1, ?2) AND " time " < ?5 AND typeof(" time ") = 'integer' AND " \
    "(?4 IS NULL OR session = ?4) AND (?6 IS NULL OR VEHICLE IS NULL OR VEHICLE = ?6) ORDER BY " time ", id LIMIT ?3"
#define KOVA_FRAMES(column) "CASE WHEN length(" column ") <= 16777216 THEN " column " END"
const char* const kChunkSql[] = {
    "SELECT id, t_ns, session, " KOVA_FRAMES("frames") ", VEHICLE FROM status" KOVA_SCOPE("t_ns"),
    "SELECT id, t_ns, session, line, " KOVA_FRAMES("frames") ", VEHICLE FROM log" KOVA_SCOPE("t_ns"),
    "SELECT id, sent_ns, session, verb, body, reply_ns, outcome, error, " KOVA_FRAMES("reply_frames")
    ", VEHICLE FROM request" KOVA_SCOPE("sent_ns"),
    "SELECT id, t_ns, session, end_ns, count, stream, VEHICLE FROM gap" KOVA_SCOPE("t_ns"),
};
// The column of each kind's query that holds the vehicle.
constexpr int kVehicleColumn[] = {4, 5, 9, 6};
#undef KOVA_SCOPE
#undef KOVA_FRAMES

}  // namespace

std::string withVehicleColumn(std::string sql, bool named) {
    const std::string column = named ? "vehicle" : "NULL";
    for (std::size_t at = sql.find("VEHICLE"); at != std::string::npos; at = sql.find("VEHICLE", at)) {
        sql.replace(at, 7, column);
        at += column.size();
    }
    return sql;
}

namespace {

std::string chunkSql(std::size_t kind, bool named) {
    return withVehicleColumn(kChunkSql[kind], named);
}
static_assert(kMaxStoredBytes == 16777216, "the chunk queries hold the same bound");

constexpr std::chrono::milliseconds kAskAgainAfter{100};
// A gap counts at most this many messages; a larger count is a damaged row, not a loss.
constexpr std::int64_t kMaxGapCount = std::int64_t{1} << 40;

}  // namespace

TableCursor::TableCursor(const Database& db, std::size_t kind, std::size_t chunkRows, bool named)
    : chunk_(db, chunkSql(kind, named).c_str()),
      kind_(kind),
      chunkRows_(static_cast<std::int64_t>(chunkRows == 0 ? 1 : chunkRows)),
      scope_{std::nullopt, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), std::nullopt} {
    seek(scope_.fromNs);
}

void TableCursor::setScope(const WalkScope& scope) {
    scope_ = scope;
    damaged_ = 0;
    furthest_ = {std::numeric_limits<std::int64_t>::min(), 0};
    seek(scope_.fromNs);
}

void TableCursor::seek(std::int64_t ns) {
    buffer_.clear();
    askAgainAt_ = {};
    // Ids start at 1, so (ns, 0) comes just before the first row at time ns.
    afterNs_ = std::max(ns, scope_.fromNs);
    afterId_ = 0;
}

const RecordedEvent* TableCursor::peek() {
    // A chunk of damaged rows alone leaves the buffer empty: the next chunk is read at once.
    while (buffer_.empty() && std::chrono::steady_clock::now() >= askAgainAt_) {
        chunk_.bindInt(1, afterNs_).bindInt(2, afterId_).bindInt(3, chunkRows_).bindInt(5, scope_.beforeNs);
        scope_.session ? chunk_.bindInt(4, *scope_.session) : chunk_.bindNull(4);
        scope_.vehicle ? chunk_.bindText(6, *scope_.vehicle) : chunk_.bindNull(6);
        std::int64_t rows = 0;
        // A failed step resets the statement and leaves the position where it was: the rows read
        // so far are handed out, the next call asks again from after them.
        while (chunk_.step()) {
            ++rows;
            afterNs_ = chunk_.columnInt(1);
            afterId_ = chunk_.columnInt(0);
            const bool first = std::make_pair(afterNs_, afterId_) > furthest_;
            if (first) {
                furthest_ = {afterNs_, afterId_};
            }
            if (auto event = readRow()) {
                buffer_.push_back(std::move(*event));
            } else if (first) {
                ++damaged_;
            }
        }
        if (rows < chunkRows_) {
            askAgainAt_ = std::chrono::steady_clock::now() + kAskAgainAfter;
            break;
        }
    }
    return buffer_.empty() ? nullptr : &buffer_.front();
}

RecordedEvent TableCursor::take() {
    RecordedEvent event = std::move(buffer_.front());
    buffer_.pop_front();
    return event;
}

std::optional<Frames> TableCursor::framesAt(int column) const {
    if (!chunk_.isBytes(column)) {
        return std::nullopt;
    }
    const std::string_view bytes = chunk_.columnView(column);
    return decodeFrames(bytes.data(), bytes.size());
}

std::optional<RecordedEvent> TableCursor::readRow() const {
    RecordedEvent event;
    event.ns = chunk_.columnInt(1);
    event.session = chunk_.columnInt(2);
    if (chunk_.isBytes(kVehicleColumn[kind_])) {
        event.vehicle = chunk_.columnBytes(kVehicleColumn[kind_]);
    }
    switch (kind_) {
        case 0: {
            auto frames = framesAt(3);
            if (!frames) {
                return std::nullopt;
            }
            event.detail = StatusEvent{std::move(*frames)};
            break;
        }
        case 1: {
            auto line = framesAt(4);
            if (!chunk_.isInteger(3) || !line || line->size() != 1) {
                return std::nullopt;
            }
            event.detail = LogEvent{chunk_.columnInt(3), std::move((*line)[0])};
            break;
        }
        case 2: {
            auto request = readRequest();
            if (!request) {
                return std::nullopt;
            }
            event.detail = std::move(*request);
            break;
        }
        default: {
            auto gap = readGap(event.ns);
            if (!gap) {
                return std::nullopt;
            }
            event.detail = *gap;
            break;
        }
    }
    return event;
}

std::optional<RequestEvent> TableCursor::readRequest() const {
    const auto kind = outcomeFromName(chunk_.columnView(6));
    auto frames = framesAt(8);
    if (!kind || !frames || !chunk_.isInteger(5)) {
        return std::nullopt;
    }
    RequestOutcome outcome{*kind, *kind == RequestOutcome::Kind::Error ? chunk_.columnBytes(7) : ""};
    return RequestEvent{chunk_.columnBytes(3), chunk_.columnBytes(4), chunk_.columnInt(5), std::move(outcome),
                        std::move(*frames)};
}

std::optional<GapEvent> TableCursor::readGap(std::int64_t ns) const {
    const auto stream = streamFromName(chunk_.columnView(5));
    if (!stream || !chunk_.isInteger(3) || !chunk_.isInteger(4)) {
        return std::nullopt;
    }
    const std::int64_t endNs = chunk_.columnInt(3);
    const std::int64_t count = chunk_.columnInt(4);
    if (endNs < ns || endNs >= scope_.beforeNs || count < 1 || count > kMaxGapCount) {
        return std::nullopt;
    }
    return GapEvent{*stream, endNs, static_cast<std::uint64_t>(count)};
}

}  // namespace kova::record
