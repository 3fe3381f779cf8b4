// Which files the recorder writes to and the reader accepts: an existing file is never overwritten,
// appending adds a session, and anything that is not a sound recording is refused with one clear line.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
#include "record/Sqlite.h"

namespace kova::record {
namespace {

void makeRecording(const std::string& path, bool append, const std::string& connection, std::int64_t t) {
    RecordWriter writer;
    writer.open(path, append, {"0.6", connection, "127.0.0.1", 5550});
    for (int i = 0; i < 3000; ++i) {
        writer.recordStatus(t + i, {"4034", std::to_string(i)});
    }
    writer.close();
}

// The text of the RecordError that `action` throws, or "no error".
std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RecordError& error) {
        return error.what();
    }
    return "no error";
}

TEST(RecordFiles, AnExistingFileIsRefusedUntouchedAndAppendAddsASession) {
    test::TempDir dir;
    const std::string path = dir.file("run.kovarec");
    makeRecording(path, false, "first", 1000);
    const std::string before = test::readFile(path);

    RecordWriter refused;
    EXPECT_EQ(errorOf([&] {
                  refused.open(path, false, {"0.6", "second", "h", 1});
              }),
              path + " exists; use --record-append to add to it");
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));

    const std::string notes = dir.file("notes.txt");
    test::writeFile(notes, "not a recording\n");
    RecordWriter wrongFile;
    EXPECT_EQ(errorOf([&] {
                  wrongFile.open(notes, true, {"0.6", "second", "h", 1});
              }),
              notes + " is not a recording (not an SQLite database)");
    EXPECT_EQ(test::readFile(notes), "not a recording\n");

    makeRecording(path, true, "second", 90000);
    RecordReader reader(path);
    ASSERT_EQ(reader.sessions().size(), 2u);
    EXPECT_EQ(reader.sessions()[0].info.connectionName, "first");
    EXPECT_EQ(reader.sessions()[1].info.connectionName, "second");
    EXPECT_NE(reader.sessions()[0].id, reader.sessions()[1].id);
    reader.seek(90000);
    const auto event = reader.next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->session, reader.sessions()[1].id);
    EXPECT_EQ(reader.span()->firstNs, 1000);
    EXPECT_EQ(reader.span()->lastNs, 92999);
}

TEST(RecordFiles, TheReaderRefusesWhatIsNotASoundRecordingInOneLine) {
    test::TempDir dir;
    const std::string recording = dir.file("good.kovarec");
    makeRecording(recording, false, "c", 1000);
    const std::string good = test::readFile(recording);

    struct Case {
        std::string name;
        std::function<void(const std::string&)> make;
        std::string expected;  // after the path
    };
    const std::vector<Case> cases = {
        {"missing", [](const std::string&) {}, " (no such file)"},
        {"text", [](const std::string& p) { test::writeFile(p, "2021-03-04 10:11:12 log\n"); },
         " is not a recording (not an SQLite database)"},
        {"empty", [](const std::string& p) { test::writeFile(p, ""); }, " is empty, not a recording"},
        {"foreign",
         [](const std::string& p) {
             Database db(p, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
             db.exec("CREATE TABLE status (t_ns INTEGER, object TEXT, value TEXT)");
         },
         " is not a recording (an SQLite database of other tables)"},
        {"truncated", [&](const std::string& p) { test::writeFile(p, good.substr(0, good.size() / 2)); },
         " is damaged (database disk image is malformed)"},
        {"newer",
         [&](const std::string& p) {
             test::writeFile(p, good);
             Database db(p, SQLITE_OPEN_READWRITE);
             db.exec("UPDATE meta SET value = '3' WHERE key = 'schema_version'");
         },
         " is a recording of format version 3, newer than this console's 2"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(c.name);
        c.make(path);
        const std::string error = errorOf([&] {
            RecordReader reader(path);
            while (reader.next()) {
            }
        });
        EXPECT_NE(error.find(path + c.expected), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.name;
    }
}

}  // namespace
}  // namespace kova::record
