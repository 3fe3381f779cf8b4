#include "record/RecordReader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <sqlite3.h>

#include "record/Schema.h"

namespace kova::record {

namespace {

// An SQLite URI that opens `path` as a file nobody changes: no lock, no WAL, nothing written.
std::string immutableUri(const std::string& path) {
    std::string uri = "file:";
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            uri += escaped;
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

Database openForReading(const std::string& path, std::string& notice, int& version) {
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
        try {
            // The first read opens the file's WAL index (-shm) beside it, when the file is in WAL mode.
            db.queryInt("SELECT count(*) FROM sqlite_master");
        } catch (const SqliteError& failure) {
            if (failure.primary() != SQLITE_CANTOPEN && failure.primary() != SQLITE_READONLY) {
                throw;
            }
            // Nothing can be written beside the file: read it as it stands, without its WAL.
            db = Database(immutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI);
            std::error_code ignored;
            if (std::filesystem::file_size(path + "-wal", ignored) > 0 && !ignored) {
                notice = path + "-wal could not be applied (the folder cannot be written): its last "
                                "messages are missing";
            }
        }
        version = checkRecording(db, path);
        return db;
    } catch (const SqliteError& failure) {
        throw fileError(path, failure);
    }
}

std::vector<SessionRecord> readSessions(const Database& db, bool named) {
    Statement query(db,
                    "SELECT id, console_version, connection_name, host, base_port, start_ns, end_ns "
                    "FROM session ORDER BY id");
    std::vector<SessionRecord> sessions;
    while (query.step()) {
        SessionRecord session;
        session.id = query.columnInt(0);
        session.info = {query.columnBytes(1), query.columnBytes(2), query.columnBytes(3),
                        static_cast<int>(query.columnInt(4)), {}};
        session.startNs = query.columnInt(5);
        if (!query.isNull(6)) {
            session.endNs = query.columnInt(6);
        }
        sessions.push_back(std::move(session));
    }
    if (named) {
        Statement vehicles(db, "SELECT session, name, host, base_port FROM vehicle ORDER BY session, position");
        std::size_t at = 0;
        while (vehicles.step()) {
            const std::int64_t id = vehicles.columnInt(0);
            while (at < sessions.size() && sessions[at].id < id) {
                ++at;
            }
            if (at < sessions.size() && sessions[at].id == id) {
                sessions[at].info.vehicles.push_back({vehicles.columnBytes(1), vehicles.columnBytes(2),
                                                      static_cast<int>(vehicles.columnInt(3))});
            }
        }
    }
    return sessions;
}

// The first and the last time of the events in `scope` (a gap's end counts). Each query is one walk
// of its table's time index from one end.
std::optional<TimeSpan> readSpan(const Database& db, const WalkScope& scope, bool named) {
    struct Table {
        const char* first;
        const char* last;
    };
#define KOVA_IN_SCOPE(time) \
    " WHERE " time " >= ?1 AND " time " < ?2 AND typeof(" time ") = 'integer' AND (?3 IS NULL OR session = ?3)" \
    " AND (?4 IS NULL OR VEHICLE IS NULL OR VEHICLE = ?4)"
    const Table tables[] = {
        {"SELECT t_ns FROM status" KOVA_IN_SCOPE("t_ns") " ORDER BY t_ns LIMIT 1",
         "SELECT t_ns FROM status" KOVA_IN_SCOPE("t_ns") " ORDER BY t_ns DESC LIMIT 1"},
        {"SELECT t_ns FROM log" KOVA_IN_SCOPE("t_ns") " ORDER BY t_ns LIMIT 1",
         "SELECT t_ns FROM log" KOVA_IN_SCOPE("t_ns") " ORDER BY t_ns DESC LIMIT 1"},
        {"SELECT sent_ns FROM request" KOVA_IN_SCOPE("sent_ns") " ORDER BY sent_ns LIMIT 1",
         "SELECT sent_ns FROM request" KOVA_IN_SCOPE("sent_ns") " ORDER BY sent_ns DESC LIMIT 1"},
        // Gaps are few; a gap's end that makes no sense leaves its row out (the walk counts it).
        {"SELECT min(t_ns) FROM gap" KOVA_IN_SCOPE("t_ns") " AND typeof(end_ns) = 'integer' AND end_ns >= t_ns "
         "AND end_ns < ?2",
         "SELECT max(end_ns) FROM gap" KOVA_IN_SCOPE("t_ns") " AND typeof(end_ns) = 'integer' AND end_ns >= t_ns "
         "AND end_ns < ?2"},
    };
#undef KOVA_IN_SCOPE
    std::optional<TimeSpan> span;
    for (const Table& table : tables) {
        for (const char* sql : {table.first, table.last}) {
            Statement query(db, withVehicleColumn(sql, named).c_str());
            query.bindInt(1, scope.fromNs).bindInt(2, scope.beforeNs);
            scope.session ? query.bindInt(3, *scope.session) : query.bindNull(3);
            scope.vehicle ? query.bindText(4, *scope.vehicle) : query.bindNull(4);
            if (!query.step() || query.isNull(0)) {
                continue;
            }
            const std::int64_t ns = query.columnInt(0);
            if (!span) {
                span = TimeSpan{ns, ns};
            }
            span->firstNs = std::min(span->firstNs, ns);
            span->lastNs = std::max(span->lastNs, ns);
        }
    }
    return span;
}

// Rows in `scope`'s session(s) whose time is no integer or lies outside the scope: one pass over each
// table (the time indexes do not hold the session).
std::uint64_t countOutside(const Database& db, const WalkScope& scope) {
#define KOVA_OUTSIDE(table, time)                                                                         \
    "SELECT count(*) FROM " table " WHERE (?3 IS NULL OR session = ?3) AND NOT (typeof(" time ") = "     \
    "'integer' AND " time " >= ?1 AND " time " < ?2)"
    const char* const queries[] = {KOVA_OUTSIDE("status", "t_ns"), KOVA_OUTSIDE("log", "t_ns"),
                                   KOVA_OUTSIDE("request", "sent_ns"), KOVA_OUTSIDE("gap", "t_ns")};
#undef KOVA_OUTSIDE
    std::uint64_t outside = 0;
    for (const char* sql : queries) {
        Statement query(db, sql);
        query.bindInt(1, scope.fromNs).bindInt(2, scope.beforeNs);
        scope.session ? query.bindInt(3, *scope.session) : query.bindNull(3);
        if (query.step()) {
            outside += static_cast<std::uint64_t>(query.columnInt(0));
        }
    }
    return outside;
}

}  // namespace

RecordReader::RecordReader(const std::string& path, std::size_t chunkRows)
    : path_(path), db_(openForReading(path, notice_, version_)) {
    try {
        sessions_ = readSessions(db_, version_ >= 2);
        cursors_.reserve(std::variant_size_v<decltype(RecordedEvent::detail)>);
        for (std::size_t kind = 0; kind < std::variant_size_v<decltype(RecordedEvent::detail)>; ++kind) {
            cursors_.emplace_back(db_, kind, chunkRows, version_ >= 2);
        }
        setScope(WalkScope{std::nullopt, -kLatestNs, kLatestNs, std::nullopt});
    } catch (const SqliteError& failure) {
        throw fileError(path, failure);
    }
}

WalkScope RecordReader::sessionScope(std::size_t index) const {
    const SessionRecord& session = sessions_.at(index);
    return WalkScope{session.id, std::clamp(session.startNs, -kLatestNs, kLatestNs), kLatestNs, std::nullopt};
}

void RecordReader::setScope(const WalkScope& scope) {
    scope_ = scope;
    span_ = readSpan(db_, scope_, version_ >= 2);
    outsideRows_.reset();  // counted when first asked for: one pass over every table
    for (auto& cursor : cursors_) {
        cursor.setScope(scope_);
    }
}

void RecordReader::selectSession(std::size_t index) {
    try {
        setScope(sessionScope(index));
    } catch (const SqliteError& failure) {
        throw fileError(path_, failure);
    }
}

void RecordReader::selectVehicle(std::optional<std::string> name) {
    WalkScope scope = scope_;
    scope.vehicle = std::move(name);
    try {
        setScope(scope);
    } catch (const SqliteError& failure) {
        throw fileError(path_, failure);
    }
}

std::uint64_t RecordReader::sessionEvents(std::size_t index) const {
    const WalkScope scope = sessionScope(index);
    try {
        std::uint64_t events = 0;
        for (const char* sql : {"SELECT count(*) FROM status WHERE session = ?1 AND t_ns >= ?2 AND t_ns < ?3",
                                "SELECT count(*) FROM log WHERE session = ?1 AND t_ns >= ?2 AND t_ns < ?3",
                                "SELECT count(*) FROM request WHERE session = ?1 AND sent_ns >= ?2 AND sent_ns < ?3",
                                "SELECT count(*) FROM gap WHERE session = ?1 AND t_ns >= ?2 AND t_ns < ?3"}) {
            Statement query(db_, sql);
            query.bindInt(1, *scope.session).bindInt(2, scope.fromNs).bindInt(3, scope.beforeNs);
            if (query.step()) {
                events += static_cast<std::uint64_t>(query.columnInt(0));
            }
        }
        return events;
    } catch (const SqliteError& failure) {
        throw fileError(path_, failure);
    }
}

std::uint64_t RecordReader::damagedRows() {
    if (!outsideRows_) {
        try {
            outsideRows_ = countOutside(db_, scope_);
        } catch (const SqliteError& failure) {
            throw fileError(path_, failure);
        }
    }
    std::uint64_t damaged = *outsideRows_;
    for (const auto& cursor : cursors_) {
        damaged += cursor.damagedRows();
    }
    return damaged;
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
