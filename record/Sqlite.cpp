#include "record/Sqlite.h"

#include <utility>

#include <sqlite3.h>

namespace kova::record {

namespace {

[[noreturn]] void fail(sqlite3* db, int code) {
    throw SqliteError(code, db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

}  // namespace

Database::Database(const std::string& path, int flags) {
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError(rc, message);
    }
    sqlite3_extended_result_codes(db_, 1);
}

Database::~Database() {
    close();
}

Database::Database(Database&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        close();
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

void Database::exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        fail(db_, rc);
    }
}

std::int64_t Database::queryInt(const char* sql) {
    Statement statement(*this, sql);
    return statement.step() ? statement.columnInt(0) : 0;
}

void Database::close() {
    if (db_ != nullptr) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

Statement::Statement(const Database& db, const char* sql) : db_(db.handle()) {
    const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        fail(db_, rc);
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)), db_(other.db_) {}

Statement& Statement::bindInt(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::bindText(int index, std::string_view bytes) {
    sqlite3_bind_text64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindNull(int index) {
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt_);
        return false;
    }
    const SqliteError error(rc, sqlite3_errmsg(db_));
    sqlite3_reset(stmt_);
    throw error;
}

void Statement::reset() {
    sqlite3_reset(stmt_);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

bool Statement::isInteger(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_INTEGER;
}

bool Statement::isBytes(int column) const {
    const int type = sqlite3_column_type(stmt_, column);
    return type == SQLITE_TEXT || type == SQLITE_BLOB;
}

std::int64_t Statement::columnInt(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::columnBytes(int column) const {
    return std::string(columnView(column));
}

std::string_view Statement::columnView(int column) const {
    // sqlite3_column_blob returns TEXT values' bytes unconverted; the size is read after it.
    const void* data = sqlite3_column_blob(stmt_, column);
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
    return data != nullptr ? std::string_view(static_cast<const char*>(data), size) : std::string_view();
}

}  // namespace kova::record
