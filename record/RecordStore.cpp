#include "record/RecordStore.h"

#include <chrono>
#include <filesystem>

#include <sqlite3.h>

#include "record/FrameCodec.h"
#include "record/Schema.h"

namespace kova::record {

namespace {

using Clock = std::chrono::steady_clock;

// A transaction is committed once it has been open this long, so a long batch still reaches the
// file in steps well inside a second.
constexpr auto kTransactionSpan = std::chrono::milliseconds(150);
// How long one attempt waits for another connection's write lock.
constexpr int kBusyTimeoutMs = 100;
// How long closing waits for another connection's write lock before giving up the rest.
constexpr auto kClosingBusyLimit = std::chrono::seconds(3);

Database openForWriting(const std::string& path, bool created) {
    try {
        Database db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
        sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
        if (created) {
            db.exec("PRAGMA journal_mode = WAL");
            createSchema(db);
        } else {
            const int version = checkRecording(db, path);
            db.exec("PRAGMA journal_mode = WAL");
            if (version < kSchemaVersion) {
                upgradeSchema(db);
            }
        }
        db.exec("PRAGMA synchronous = NORMAL");
        return db;
    } catch (const SqliteError& error) {
        throw fileError(path, error);
    }
}

std::int64_t addSession(Database& db, const SessionInfo& info, std::int64_t startNs) {
    Statement insert(db,
                     "INSERT INTO session (console_version, connection_name, host, base_port, start_ns) "
                     "VALUES (?1, ?2, ?3, ?4, ?5)");
    insert.bindText(1, info.consoleVersion)
        .bindText(2, info.connectionName)
        .bindText(3, info.host)
        .bindInt(4, info.basePort)
        .bindInt(5, startNs);
    insert.step();
    const std::int64_t session = sqlite3_last_insert_rowid(db.handle());
    Statement vehicle(db, "INSERT INTO vehicle (session, position, name, host, base_port) VALUES (?1, ?2, ?3, ?4, ?5)");
    for (std::size_t i = 0; i < info.vehicles.size(); ++i) {
        const VehicleInfo& v = info.vehicles[i];
        vehicle.bindInt(1, session).bindInt(2, static_cast<std::int64_t>(i)).bindText(3, v.name).bindText(4, v.host);
        vehicle.bindInt(5, v.basePort).step();
        vehicle.reset();
    }
    return session;
}

}  // namespace

RecordStore::RecordStore(const std::string& path, bool created, const SessionInfo& session,
                         std::int64_t startNs)
    : path_(path),
      db_(openForWriting(path, created)),
      insertStatus_(db_,
                    "INSERT INTO status (session, t_ns, object, value, frames, vehicle) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
      insertLog_(db_, "INSERT INTO log (session, t_ns, line, text, frames, vehicle) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
      insertRequest_(db_,
                     "INSERT INTO request (session, sent_ns, verb, body, reply_ns, outcome, error, reply, "
                     "reply_frames, vehicle) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"),
      insertGap_(db_, "INSERT INTO gap (session, t_ns, end_ns, count, stream) VALUES (?1, ?2, ?3, ?4, ?5)") {
    for (const VehicleInfo& vehicle : session.vehicles) {
        vehicles_.push_back(vehicle.name);
    }
    try {
        session_ = addSession(db_, session, startNs);
    } catch (const SqliteError& error) {
        throw fileError(path, error);
    }
    insertStatus_.bindInt(1, session_);
    insertLog_.bindInt(1, session_);
    insertRequest_.bindInt(1, session_);
    insertGap_.bindInt(1, session_);
}

void RecordStore::begin(const std::atomic<bool>& closing) {
    const auto started = Clock::now();
    for (;;) {
        const int rc = sqlite3_exec(db_.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            return;
        }
        // Busy: another connection writes; SQLite's busy handler has already slept on it.
        if ((rc & 0xFF) != SQLITE_BUSY || (closing.load() && Clock::now() - started > kClosingBusyLimit)) {
            throw SqliteError(rc, sqlite3_errmsg(db_.handle()));
        }
    }
}

void RecordStore::bindVehicle(Statement& insert, int column, std::int32_t index) {
    if (index >= 0 && static_cast<std::size_t>(index) < vehicles_.size()) {
        insert.bindText(column, vehicles_[static_cast<std::size_t>(index)]);
    } else {
        insert.bindNull(column);
    }
}

void RecordStore::insert(const QueuedMessage& message) {
    const Frames& frames = message.frames;
    switch (message.stream) {
        case Stream::Status: {
            insertStatus_.bindInt(2, message.ns);
            bindVehicle(insertStatus_, 6, message.vehicle);
            frames.size() > 0 ? insertStatus_.bindText(3, frames[0]) : insertStatus_.bindNull(3);
            frames.size() > 1 ? insertStatus_.bindText(4, frames[1]) : insertStatus_.bindNull(4);
            insertStatus_.bindBlob(5, encodeFrames(frames)).step();
            break;
        }
        case Stream::Log: {
            // One row per frame: every frame is one line, numbered on from the message's first line.
            bindVehicle(insertLog_, 6, message.vehicle);
            for (std::size_t i = 0; i < frames.size(); ++i) {
                insertLog_.bindInt(2, message.ns)
                    .bindInt(3, message.number + static_cast<std::int64_t>(i))
                    .bindText(4, frames[i])
                    .bindBlob(5, encodeFrames({frames[i]}))
                    .step();
            }
            break;
        }
        case Stream::Request: {
            const RequestDetails& request = *message.request;
            bindVehicle(insertRequest_, 10, message.vehicle);
            insertRequest_.bindInt(2, message.ns)
                .bindText(3, request.verb)
                .bindText(4, request.body)
                .bindInt(5, message.number)
                .bindText(6, outcomeName(request.outcome.kind));
            request.outcome.kind == RequestOutcome::Kind::Error
                ? insertRequest_.bindText(7, request.outcome.errorText)
                : insertRequest_.bindNull(7);
            frames.size() > 1 ? insertRequest_.bindText(8, frames[1]) : insertRequest_.bindNull(8);
            insertRequest_.bindBlob(9, encodeFrames(frames)).step();
            break;
        }
    }
}

void RecordStore::insertGap(Stream stream, const DroppedRun& run) {
    insertGap_.bindInt(2, run.firstNs)
        .bindInt(3, run.lastNs)
        .bindInt(4, static_cast<std::int64_t>(run.count))
        .bindText(5, streamName(stream))
        .step();
}

std::size_t RecordStore::write(const std::vector<QueuedMessage>& batch, const DropTally& drops,
                               const std::atomic<bool>& closing, std::string& error, std::size_t& firstLost) {
    std::size_t committed = 0;
    try {
        begin(closing);
        auto opened = Clock::now();
        for (std::size_t i = 0; i < batch.size(); ++i) {
            insert(batch[i]);
            if ((i + 1) % 256 == 0 && Clock::now() - opened > kTransactionSpan) {
                db_.exec("COMMIT");
                committed = i + 1;
                begin(closing);
                opened = Clock::now();
            }
        }
        for (std::size_t stream = 0; stream < drops.size(); ++stream) {
            if (drops[stream].count > 0) {
                insertGap(static_cast<Stream>(stream), drops[stream]);
            }
        }
        db_.exec("COMMIT");
        return 0;
    } catch (const SqliteError& failure) {
        if (sqlite3_get_autocommit(db_.handle()) == 0) {
            sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        }
        error = failure.what();
        firstLost = committed;
        return batch.size() - committed;
    }
}

void RecordStore::finish(std::int64_t endNs) {
    try {
        Statement end(db_, "UPDATE session SET end_ns = ?1 WHERE id = ?2");
        end.bindInt(1, endNs).bindInt(2, session_).step();
        db_.exec("PRAGMA wal_checkpoint(TRUNCATE)");
        // Leaving WAL mode fails while a reader has the file open; the file then stays in WAL mode,
        // which any reader handles as well.
        sqlite3_exec(db_.handle(), "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    } catch (const SqliteError& error) {
        throw fileError(path_, error);
    }
}

RecordStore::Sizes RecordStore::diskBytes() const {
    std::error_code ignored;
    const auto main = std::filesystem::file_size(path_, ignored);
    const auto wal = std::filesystem::file_size(path_ + "-wal", ignored);
    return Sizes{main == static_cast<std::uintmax_t>(-1) ? 0 : main,
                 wal == static_cast<std::uintmax_t>(-1) ? 0 : wal};
}

}  // namespace kova::record
