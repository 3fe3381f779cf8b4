#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "record/RecordTypes.h"

struct sqlite3;
struct sqlite3_stmt;

// Thin owners of an SQLite connection and a prepared statement. A connection and its statements are
// used by one thread at a time; neither class locks.
namespace kova::record {

// A failed SQLite call: what() is SQLite's own message, code() its extended result code.
class SqliteError : public RecordError {
public:
    SqliteError(int code, const std::string& message) : RecordError(message), code_(code) {}
    int code() const { return code_; }
    // The primary result code (SQLITE_BUSY, SQLITE_CORRUPT, ...).
    int primary() const { return code_ & 0xFF; }

private:
    int code_;
};

class Database {
public:
    Database() = default;
    // Opens `path` with sqlite3_open_v2 flags; throws SqliteError when it cannot be opened.
    Database(const std::string& path, int flags);
    ~Database();
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }
    // Runs one or more statements that return no rows of interest; throws SqliteError.
    void exec(const char* sql);
    // The first column of the first row of `sql` as an integer (0 when there is no row).
    std::int64_t queryInt(const char* sql);
    // Closes the connection (statements must be gone); idempotent.
    void close();

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    // Prepares `sql` on `db` (persistent: it will be run many times); throws SqliteError.
    Statement(const Database& db, const char* sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1. Text and BLOB bytes are copied by SQLite.
    Statement& bindInt(int index, std::int64_t value);
    Statement& bindText(int index, std::string_view bytes);
    Statement& bindBlob(int index, std::string_view bytes);
    Statement& bindNull(int index);

    // Runs to the next row: true when a row is there, false when the statement is done. Throws
    // SqliteError (the statement is then reset).
    bool step();
    // Makes the statement ready to run again and ends the read it holds; bindings stay.
    void reset();

    // Columns are numbered from 0.
    bool isNull(int column) const;
    // Whether the column holds an INTEGER; TEXT or a BLOB.
    bool isInteger(int column) const;
    bool isBytes(int column) const;
    std::int64_t columnInt(int column) const;
    // The column's bytes exactly as stored (TEXT and BLOB alike, embedded NULs included).
    std::string columnBytes(int column) const;
    std::string_view columnView(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    sqlite3* db_ = nullptr;
};

}  // namespace kova::record
