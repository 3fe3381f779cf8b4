#include "record/RecordReader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <sqlite3.h>

#include "record/Schema.h"

namespace kova::record {

namespace {

Database openForReading(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        throw RecordError("cannot open " + path + " (no such file)");
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw RecordError(path + " is not a recording (not a regular file)");
    }
    if (std::filesystem::file_size(path, error) == 0) {
        throw RecordError(path + " is empty, not a recording");
    }
    try {
        Database db(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
        checkRecording(db, path);
        return db;
    } catch (const SqliteError& failure) {
        throw fileError(path, failure);
    }
}

std::vector<SessionRecord> readSessions(const Database& db) {
    Statement query(db,
                    "SELECT id, console_version, connection_name, host, base_port, start_ns, end_ns "
                    "FROM session ORDER BY id");
    std::vector<SessionRecord> sessions;
    while (query.step()) {
        SessionRecord session;
        session.id = query.columnInt(0);
        session.info = {query.columnBytes(1), query.columnBytes(2), query.columnBytes(3),
                        static_cast<int>(query.columnInt(4))};
        session.startNs = query.columnInt(5);
        if (!query.isNull(6)) {
            session.endNs = query.columnInt(6);
        }
        sessions.push_back(std::move(session));
    }
    return sessions;
}

std::optional<TimeSpan> readSpan(const Database& db) {
    // Every min() and max() stands alone, so each is one look-up in its table's time index (the gap
    // table, which has no index on end_ns, is small).
    Statement query(db,
                    "SELECT min(first), max(last) FROM ("
                    "SELECT (SELECT min(t_ns) FROM status) AS first, (SELECT max(t_ns) FROM status) AS last "
                    "UNION ALL SELECT (SELECT min(t_ns) FROM log), (SELECT max(t_ns) FROM log) "
                    "UNION ALL SELECT (SELECT min(sent_ns) FROM request), (SELECT max(sent_ns) FROM request) "
                    "UNION ALL SELECT (SELECT min(t_ns) FROM gap), (SELECT max(end_ns) FROM gap))");
    if (!query.step() || query.isNull(0)) {
        return std::nullopt;
    }
    return TimeSpan{query.columnInt(0), query.columnInt(1)};
}

}  // namespace

RecordReader::RecordReader(const std::string& path, std::size_t chunkRows)
    : path_(path), db_(openForReading(path)) {
    try {
        sessions_ = readSessions(db_);
        span_ = readSpan(db_);
        cursors_.reserve(std::variant_size_v<decltype(RecordedEvent::detail)>);
        for (std::size_t kind = 0; kind < std::variant_size_v<decltype(RecordedEvent::detail)>; ++kind) {
            cursors_.emplace_back(db_, kind, path_, chunkRows);
        }
    } catch (const SqliteError& failure) {
        throw fileError(path, failure);
    }
}

void RecordReader::seek(std::int64_t ns) {
    for (auto& cursor : cursors_) {
        cursor.seek(ns);
    }
}

std::optional<RecordedEvent> RecordReader::next() {
    try {
        TableCursor* earliest = nullptr;
        std::int64_t earliestNs = 0;
        // Cursors are in kind order, so the first of equal times wins.
        for (auto& cursor : cursors_) {
            const RecordedEvent* head = cursor.peek();
            if (head != nullptr && (earliest == nullptr || head->ns < earliestNs)) {
                earliest = &cursor;
                earliestNs = head->ns;
            }
        }
        if (earliest == nullptr) {
            return std::nullopt;
        }
        return earliest->take();
    } catch (const SqliteError& failure) {
        throw fileError(path_, failure);
    }
}

}  // namespace kova::record
