#include "record/Schema.h"

#include <iterator>

#include <sqlite3.h>

namespace kova::record {

namespace {

// What version 2 adds: the vehicles a fleet session recorded, in the order of its configuration.
#define KOVA_VEHICLE_TABLE \
    "CREATE TABLE vehicle (session INTEGER NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL, " \
    "host TEXT NOT NULL, base_port INTEGER NOT NULL, PRIMARY KEY (session, position)) WITHOUT ROWID;"

const char* const kSchemaSql = R"sql(
CREATE TABLE meta (
    key   TEXT PRIMARY KEY,
    value TEXT NOT NULL
) WITHOUT ROWID;
CREATE TABLE session (
    id              INTEGER PRIMARY KEY,
    console_version TEXT NOT NULL,
    connection_name TEXT NOT NULL,
    host            TEXT NOT NULL,
    base_port       INTEGER NOT NULL,
    start_ns        INTEGER NOT NULL,
    end_ns          INTEGER
);
CREATE TABLE status (
    id      INTEGER PRIMARY KEY,
    session INTEGER NOT NULL,
    t_ns    INTEGER NOT NULL,
    object  TEXT,
    value   TEXT,
    frames  BLOB NOT NULL,
    vehicle TEXT
);
CREATE INDEX status_time ON status (t_ns);
CREATE TABLE log (
    id      INTEGER PRIMARY KEY,
    session INTEGER NOT NULL,
    t_ns    INTEGER NOT NULL,
    line    INTEGER NOT NULL,
    text    TEXT NOT NULL,
    frames  BLOB NOT NULL,
    vehicle TEXT
);
CREATE INDEX log_time ON log (t_ns);
CREATE TABLE request (
    id           INTEGER PRIMARY KEY,
    session      INTEGER NOT NULL,
    sent_ns      INTEGER NOT NULL,
    verb         TEXT NOT NULL,
    body         TEXT NOT NULL,
    reply_ns     INTEGER NOT NULL,
    outcome      TEXT NOT NULL,
    error        TEXT,
    reply        TEXT,
    reply_frames BLOB NOT NULL,
    vehicle      TEXT
);
CREATE INDEX request_time ON request (sent_ns);
CREATE TABLE gap (
    id      INTEGER PRIMARY KEY,
    session INTEGER NOT NULL,
    t_ns    INTEGER NOT NULL,
    end_ns  INTEGER NOT NULL,
    count   INTEGER NOT NULL,
    stream  TEXT NOT NULL,
    vehicle TEXT
);
CREATE INDEX gap_time ON gap (t_ns);
)sql" KOVA_VEHICLE_TABLE;

// A version 1 recording has these; version 2 adds the vehicle table.
const char* const kTables[] = {"meta", "session", "status", "log", "request", "gap", "vehicle"};
constexpr std::size_t kVersion1Tables = 6;

// Version 1 to 2: every event table gains the vehicle column (NULL in the rows already there: they
// are of the session's one connection) and the file gains the vehicle table.
const char* const kUpgradeSql =
    "ALTER TABLE status ADD COLUMN vehicle TEXT;"
    "ALTER TABLE log ADD COLUMN vehicle TEXT;"
    "ALTER TABLE request ADD COLUMN vehicle TEXT;"
    "ALTER TABLE gap ADD COLUMN vehicle TEXT;" KOVA_VEHICLE_TABLE
    "UPDATE meta SET value = '2' WHERE key = 'schema_version';";
#undef KOVA_VEHICLE_TABLE

}  // namespace

void createSchema(Database& db) {
    db.exec("BEGIN IMMEDIATE");
    try {
        db.exec(kSchemaSql);
        db.exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
        db.exec(("INSERT INTO meta (key, value) VALUES ('format', 'kovaConsoleOHV recording'), "
                 "('schema_version', '" +
                 std::to_string(kSchemaVersion) + "')")
                    .c_str());
        db.exec("COMMIT");
    } catch (const SqliteError&) {
        sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

int checkRecording(Database& db, const std::string& path) {
    try {
        if (db.queryInt("PRAGMA application_id") != kApplicationId) {
            const bool empty = db.queryInt("SELECT count(*) FROM sqlite_master") == 0;
            throw RecordError(path + " is not a recording (" +
                              (empty ? "an empty SQLite database" : "an SQLite database of other tables") +
                              ")");
        }
        Statement find(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1");
        std::int64_t version = 0;
        for (std::size_t i = 0; i < std::size(kTables); ++i) {
            const char* table = kTables[i];
            if (i == kVersion1Tables) {
                version = db.queryInt("SELECT value FROM meta WHERE key = 'schema_version'");
                if (version < 2) {
                    break;
                }
            }
            find.bindText(1, table);
            const bool found = find.step() && find.columnInt(0) == 1;
            find.reset();
            if (!found) {
                throw RecordError(path + " is damaged: its table " + table + " is missing");
            }
        }
        if (version < 1) {
            throw RecordError(path + " is damaged: it has no schema version");
        }
        if (version > kSchemaVersion) {
            throw RecordError(path + " is a recording of format version " + std::to_string(version) +
                              ", newer than this console's " + std::to_string(kSchemaVersion));
        }
        return static_cast<int>(version);
    } catch (const SqliteError& error) {
        throw fileError(path, error);
    }
}

void upgradeSchema(Database& db) {
    db.exec("BEGIN IMMEDIATE");
    try {
        db.exec(kUpgradeSql);
        db.exec("COMMIT");
    } catch (const SqliteError&) {
        sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

RecordError fileError(const std::string& path, const SqliteError& error) {
    switch (error.primary()) {
        case SQLITE_NOTADB:
            return RecordError(path + " is not a recording (not an SQLite database)");
        case SQLITE_CORRUPT:
            return RecordError(path + " is damaged (" + error.what() + ")");
        case SQLITE_CANTOPEN:
            return RecordError("cannot open " + path + " (" + error.what() + ")");
        default:
            return RecordError(path + ": " + error.what());
    }
}

}  // namespace kova::record
