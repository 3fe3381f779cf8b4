#pragma once

#include <cstdint>
#include <string>

#include "record/Sqlite.h"

// The tables of a recording, how one is made, and how one is told from any other file. The tables
// are described for users of the sqlite3 tool in the README, under "The recording file".
namespace kova::record {

// PRAGMA application_id of every recording: "KOVR" in ASCII.
constexpr std::int32_t kApplicationId = 0x4B4F5652;
// The version of the tables below; a reader refuses recordings of a higher one.
// Version 2 names the vehicle of every row (a fleet is recorded whole); version 1 files have no
// vehicle column and are read as recordings of their session's one connection.
constexpr int kSchemaVersion = 2;

// Creates the tables, indexes and the format marker in a new, empty database. Throws SqliteError.
void createSchema(Database& db);

// Throws RecordError with a one-line text naming `path` unless `db` holds a recording of version
// kSchemaVersion or older with all its tables. SQLite failures while checking become such texts too.
// Returns the recording's version.
int checkRecording(Database& db, const std::string& path);

// Brings a checked recording of an older version up to kSchemaVersion in one transaction, keeping
// every row (appending to it then writes what this version writes). Throws SqliteError.
void upgradeSchema(Database& db);

// The one-line text for an SQLite failure on the file `path`: "not an SQLite database", "damaged",
// or SQLite's own message.
RecordError fileError(const std::string& path, const SqliteError& error);

}  // namespace kova::record
