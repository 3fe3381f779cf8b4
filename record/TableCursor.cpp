#include "record/TableCursor.h"

#include <limits>
#include <utility>

#include "record/FrameCodec.h"

namespace kova::record {

namespace {

// Per kind: the rows after a (time, id) position, in order; columns 0 id, 1 time, 2 session, then
// the kind's own.
const char* const kChunkSql[] = {
    "SELECT id, t_ns, session, frames FROM status WHERE (t_ns, id) > (?1, ?2) ORDER BY t_ns, id LIMIT ?3",
    "SELECT id, t_ns, session, line, frames FROM log WHERE (t_ns, id) > (?1, ?2) ORDER BY t_ns, id LIMIT ?3",
    "SELECT id, sent_ns, session, verb, body, reply_ns, outcome, error, reply_frames FROM request "
    "WHERE (sent_ns, id) > (?1, ?2) ORDER BY sent_ns, id LIMIT ?3",
    "SELECT id, t_ns, session, end_ns, count, stream FROM gap WHERE (t_ns, id) > (?1, ?2) "
    "ORDER BY t_ns, id LIMIT ?3",
};
const char* const kTableNames[] = {"status", "log", "request", "gap"};

constexpr std::chrono::milliseconds kAskAgainAfter{100};

}  // namespace

TableCursor::TableCursor(const Database& db, std::size_t kind, const std::string& path, std::size_t chunkRows)
    : chunk_(db, kChunkSql[kind]),
      kind_(kind),
      path_(path),
      chunkRows_(static_cast<std::int64_t>(chunkRows == 0 ? 1 : chunkRows)) {
    seek(std::numeric_limits<std::int64_t>::min());
}

void TableCursor::seek(std::int64_t ns) {
    buffer_.clear();
    askAgainAt_ = {};
    // Ids start at 1, so (ns, 0) comes just before the first row at time ns.
    afterNs_ = ns;
    afterId_ = 0;
}

const RecordedEvent* TableCursor::peek() {
    if (buffer_.empty() && std::chrono::steady_clock::now() >= askAgainAt_) {
        const std::int64_t fromNs = afterNs_;
        const std::int64_t fromId = afterId_;
        chunk_.bindInt(1, fromNs).bindInt(2, fromId).bindInt(3, chunkRows_);
        try {
            while (chunk_.step()) {
                buffer_.push_back(readRow());
                afterNs_ = chunk_.columnInt(1);
                afterId_ = chunk_.columnInt(0);
            }
            if (static_cast<std::int64_t>(buffer_.size()) < chunkRows_) {
                askAgainAt_ = std::chrono::steady_clock::now() + kAskAgainAfter;
            }
        } catch (const RecordError&) {
            // Nothing of a chunk that failed is handed out; a later call reads it again.
            chunk_.reset();
            buffer_.clear();
            afterNs_ = fromNs;
            afterId_ = fromId;
            throw;
        }
    }
    return buffer_.empty() ? nullptr : &buffer_.front();
}

RecordedEvent TableCursor::take() {
    RecordedEvent event = std::move(buffer_.front());
    buffer_.pop_front();
    return event;
}

RecordError TableCursor::damaged(const char* what) const {
    return RecordError(path_ + " is damaged: " + what + " in " + kTableNames[kind_] + " row " +
                       std::to_string(chunk_.columnInt(0)));
}

Frames TableCursor::framesAt(int column) const {
    const std::string_view bytes = chunk_.columnView(column);
    auto decoded = decodeFrames(bytes.data(), bytes.size());
    if (!decoded) {
        throw damaged("malformed frames");
    }
    return std::move(*decoded);
}

RecordedEvent TableCursor::readRow() const {
    RecordedEvent event;
    event.ns = chunk_.columnInt(1);
    event.session = chunk_.columnInt(2);
    switch (kind_) {
        case 0:
            event.detail = StatusEvent{framesAt(3)};
            break;
        case 1: {
            Frames line = framesAt(4);
            if (line.size() != 1) {
                throw damaged("a log row without exactly one frame");
            }
            event.detail = LogEvent{chunk_.columnInt(3), std::move(line[0])};
            break;
        }
        case 2:
            event.detail = readRequest();
            break;
        default:
            event.detail = readGap();
            break;
    }
    return event;
}

RequestEvent TableCursor::readRequest() const {
    const auto kind = outcomeFromName(chunk_.columnView(6));
    if (!kind) {
        throw damaged("an unknown outcome");
    }
    RequestOutcome outcome{*kind, *kind == RequestOutcome::Kind::Error ? chunk_.columnBytes(7) : ""};
    return RequestEvent{chunk_.columnBytes(3), chunk_.columnBytes(4), chunk_.columnInt(5), std::move(outcome),
                        framesAt(8)};
}

GapEvent TableCursor::readGap() const {
    const auto stream = streamFromName(chunk_.columnView(5));
    if (!stream) {
        throw damaged("an unknown stream");
    }
    return GapEvent{*stream, chunk_.columnInt(3), static_cast<std::uint64_t>(chunk_.columnInt(4))};
}

}  // namespace kova::record
