// Writer to reader: frames come back byte for byte, and the four event kinds come back as one walk
// in time order, from the start or from any point, however the chunks fall.
#include <algorithm>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "TestSupport.h"
#include "record/FrameCodec.h"
#include "record/RecordReader.h"
#include "record/Schema.h"
#include "record/RecordWriter.h"

namespace kova::record {
namespace {

const SessionInfo kSession{"0.6", "OHV-12", "10.0.0.12", 5550, {}};

std::vector<RecordedEvent> readAll(RecordReader& reader) {
    std::vector<RecordedEvent> events;
    while (auto event = reader.next()) {
        events.push_back(std::move(*event));
    }
    return events;
}

TEST(RecordRoundTrip, BinaryAndEmptyFramesComeBackExactly) {
    test::TempDir dir;
    const std::string binary("\0\xff\x01\n\"'", 6);
    Frames many;
    for (int i = 0; i < 300; ++i) {
        many.push_back(std::string(static_cast<std::size_t>(i % 7), static_cast<char>(i)));
    }
    const std::vector<Frames> statuses = {
        {"4011", "12/7/1"}, {"", ""}, {}, {binary}, {binary, "", binary, std::string(70000, '\xff')}, many};
    {
        RecordWriter writer;
        writer.open(dir.file("run.kovarec"), false, kSession);
        for (std::size_t i = 0; i < statuses.size(); ++i) {
            writer.recordStatus(100 + static_cast<std::int64_t>(i), statuses[i]);
        }
        writer.recordLog(200, 41, {"first", binary, ""});
        writer.recordRequest(300, "set", std::string("3033/0/\0", 8), 310, RequestOutcome::replied(),
                             {"", binary, "extra"});
        writer.recordRequest(400, "get", "4011/0", 1600, RequestOutcome::noResponse(), {});
        writer.recordRequest(500, "getm", "7120", 501, RequestOutcome::error("no socket req"), {});
        writer.close();
        EXPECT_EQ(writer.droppedCount(), 0u);
        EXPECT_EQ(writer.lastError(), "");
    }
    RecordReader reader(dir.file("run.kovarec"));
    const auto events = readAll(reader);
    ASSERT_EQ(events.size(), statuses.size() + 3 + 3);
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        EXPECT_EQ(std::get<StatusEvent>(events[i].detail).frames, statuses[i]) << "status " << i;
    }
    const std::vector<std::string> lines = {"first", binary, ""};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& log = std::get<LogEvent>(events[statuses.size() + i].detail);
        EXPECT_EQ(log.lineNumber, 41 + static_cast<std::int64_t>(i));
        EXPECT_EQ(log.text, lines[i]);
    }
    const auto& replied = std::get<RequestEvent>(events[statuses.size() + 3].detail);
    EXPECT_EQ(replied.body, std::string("3033/0/\0", 8));
    EXPECT_EQ(replied.replyNs, 310);
    EXPECT_EQ(replied.outcome.kind, RequestOutcome::Kind::Replied);
    EXPECT_EQ(replied.replyFrames, (Frames{"", binary, "extra"}));
    const auto& silent = std::get<RequestEvent>(events[statuses.size() + 4].detail);
    EXPECT_EQ(silent.outcome.kind, RequestOutcome::Kind::NoResponse);
    EXPECT_TRUE(silent.replyFrames.empty());
    const auto& failed = std::get<RequestEvent>(events[statuses.size() + 5].detail);
    EXPECT_EQ(failed.outcome.kind, RequestOutcome::Kind::Error);
    EXPECT_EQ(failed.outcome.errorText, "no socket req");
}

// Requests are handed over when their reply is in, after later status messages; log lines come from
// another thread. The walk still goes by time, across chunks far smaller than the tables.
TEST(RecordRoundTrip, EventsOfAllTablesWalkInTimeOrderAndSeekBothWays) {
    test::TempDir dir;
    const std::string path = dir.file("run.kovarec");
    std::vector<std::int64_t> expected;
    {
        RecordWriter writer;
        writer.open(path, false, kSession);
        for (std::int64_t t = 1000; t < 3000; t += 2) {
            writer.recordStatus(t, {"4034", std::to_string(t)});
            expected.push_back(t);
            if (t % 50 == 0) {
                writer.recordLog(t + 1, t, {"line"});
                expected.push_back(t + 1);
            }
            if (t % 300 == 0) {
                writer.recordRequest(t - 199, "set", "3031/0/2", t, RequestOutcome::replied(), {"0", "ok"});
                expected.push_back(t - 199);
            }
        }
        writer.recordStatus(2500, {"111", "4"});  // the same time as a status message before it
        expected.push_back(2500);
        writer.close();
    }
    std::sort(expected.begin(), expected.end());

    RecordReader reader(path, 7);
    ASSERT_EQ(reader.sessions().size(), 1u);
    EXPECT_EQ(reader.sessions()[0].info.connectionName, "OHV-12");
    EXPECT_EQ(reader.sessions()[0].info.basePort, 5550);
    EXPECT_TRUE(reader.sessions()[0].endNs.has_value());
    ASSERT_TRUE(reader.span().has_value());
    EXPECT_EQ(reader.span()->firstNs, expected.front());
    EXPECT_EQ(reader.span()->lastNs, expected.back());

    auto events = readAll(reader);
    std::vector<std::int64_t> times;
    for (const auto& event : events) {
        times.push_back(event.ns);
    }
    EXPECT_EQ(times, expected);
    // Equal times: status messages in the order recorded, then log lines, then requests.
    const auto at = std::find_if(events.begin(), events.end(), [](const auto& e) { return e.ns == 2500; });
    ASSERT_LT(at + 1, events.end());
    EXPECT_EQ(std::get<StatusEvent>(at[0].detail).frames[0], "4034");
    EXPECT_EQ(std::get<StatusEvent>(at[1].detail).frames[0], "111");

    reader.seek(2201);  // a log line (of line 2200) and a request sent at the same time
    auto event = reader.next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->ns, 2201);
    EXPECT_EQ(std::get<LogEvent>(event->detail).lineNumber, 2200);
    event = reader.next();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->ns, 2201);
    EXPECT_TRUE(std::holds_alternative<RequestEvent>(event->detail));
    reader.seek(0);
    EXPECT_EQ(readAll(reader).size(), expected.size());
    RecordReader oneByOne(path, 1);  // every chunk ends between events of the same time
    EXPECT_EQ(readAll(oneByOne).size(), expected.size());
}

// A fleet session lists its vehicles, and every row says which one it is of; one vehicle can be
// walked alone (with the rows that name none, such as gaps), its span its own.
TEST(RecordRoundTrip, FleetRowsNameTheirVehicleAndOneWalksAlone) {
    test::TempDir dir;
    const std::string path = dir.file("fleet.kovarec");
    SessionInfo fleet{"0.7", "fleet", "conf.json", 0, {{"OHV-1", "h1", 5550}, {"OHV-2", "h2", 5560}}};
    {
        RecordWriter writer;
        writer.open(path, false, fleet);
        writer.recordStatus(100, {"4011", "1"}, 0);
        writer.recordStatus(150, {"4011", "2"}, 1);
        writer.recordStatus(200, {"4011", "3"}, 0);
        writer.recordLog(210, 7, {"line of 2"}, 1);
        writer.recordRequest(220, "get", "4011/0", 230, RequestOutcome::replied(), {"0", "2"}, 1);
        writer.close();
    }
    RecordReader reader(path);
    EXPECT_EQ(reader.version(), kSchemaVersion);
    ASSERT_EQ(reader.sessions().size(), 1u);
    const auto& vehicles = reader.sessions()[0].info.vehicles;
    ASSERT_EQ(vehicles.size(), 2u);
    EXPECT_EQ(vehicles[1].name, "OHV-2");
    EXPECT_EQ(vehicles[1].host, "h2");
    EXPECT_EQ(vehicles[1].basePort, 5560);
    std::vector<std::string> named;
    for (const auto& event : readAll(reader)) {
        named.push_back(event.vehicle);
    }
    EXPECT_EQ(named, (std::vector<std::string>{"OHV-1", "OHV-2", "OHV-1", "OHV-2", "OHV-2"}));

    reader.selectVehicle("OHV-2");
    ASSERT_TRUE(reader.span());
    EXPECT_EQ(reader.span()->firstNs, 150);
    std::vector<std::int64_t> times;
    for (const auto& event : readAll(reader)) {
        times.push_back(event.ns);
    }
    EXPECT_EQ(times, (std::vector<std::int64_t>{150, 210, 220}));
}

// A file of the first format (no vehicle column, no vehicle table) is read as it stands, and a new
// session appended to it brings it to this format without losing a row.
TEST(RecordRoundTrip, AFirstFormatRecordingReadsAndTakesAFleetSession) {
    test::TempDir dir;
    const std::string path = dir.file("old.kovarec");
    {
        Database db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.exec(R"sql(
PRAGMA application_id = 1263490642;
CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE session (id INTEGER PRIMARY KEY, console_version TEXT NOT NULL, connection_name TEXT NOT NULL,
    host TEXT NOT NULL, base_port INTEGER NOT NULL, start_ns INTEGER NOT NULL, end_ns INTEGER);
CREATE TABLE status (id INTEGER PRIMARY KEY, session INTEGER NOT NULL, t_ns INTEGER NOT NULL, object TEXT,
    value TEXT, frames BLOB NOT NULL);
CREATE INDEX status_time ON status (t_ns);
CREATE TABLE log (id INTEGER PRIMARY KEY, session INTEGER NOT NULL, t_ns INTEGER NOT NULL, line INTEGER NOT NULL,
    text TEXT NOT NULL, frames BLOB NOT NULL);
CREATE INDEX log_time ON log (t_ns);
CREATE TABLE request (id INTEGER PRIMARY KEY, session INTEGER NOT NULL, sent_ns INTEGER NOT NULL,
    verb TEXT NOT NULL, body TEXT NOT NULL, reply_ns INTEGER NOT NULL, outcome TEXT NOT NULL, error TEXT,
    reply TEXT, reply_frames BLOB NOT NULL);
CREATE INDEX request_time ON request (sent_ns);
CREATE TABLE gap (id INTEGER PRIMARY KEY, session INTEGER NOT NULL, t_ns INTEGER NOT NULL, end_ns INTEGER NOT NULL,
    count INTEGER NOT NULL, stream TEXT NOT NULL);
CREATE INDEX gap_time ON gap (t_ns);
INSERT INTO meta VALUES ('format', 'kovaConsoleOHV recording'), ('schema_version', '1');
INSERT INTO session VALUES (1, '0.6', 'OHV-12', '10.0.0.12', 5550, 50, 500);
INSERT INTO log VALUES (1, 1, 120, 3, 'old line', x'');
)sql");
        Statement status(db, "INSERT INTO status VALUES (1, 1, 100, '4011', '12/7/1', ?1)");
        status.bindBlob(1, encodeFrames({"4011", "12/7/1"})).step();
        Statement line(db, "UPDATE log SET frames = ?1");
        line.bindBlob(1, encodeFrames({"old line"})).step();
    }
    {
        RecordReader old(path);
        EXPECT_EQ(old.version(), 1);
        EXPECT_TRUE(old.sessions()[0].info.vehicles.empty());
        const auto events = readAll(old);
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(std::get<StatusEvent>(events[0].detail).frames, (Frames{"4011", "12/7/1"}));
        EXPECT_EQ(events[0].vehicle, "");
        EXPECT_EQ(std::get<LogEvent>(events[1].detail).text, "old line");
    }
    // An upgrade that fails half way (here: a table of that name already there) is undone whole: the
    // file is refused for appending and still reads as the first format.
    const std::string blocked = dir.file("blocked.kovarec");
    std::filesystem::copy_file(path, blocked);
    Database(blocked, SQLITE_OPEN_READWRITE).exec("CREATE TABLE vehicle (x)");
    EXPECT_THROW(RecordWriter().open(blocked, true, SessionInfo{"0.7", "fleet", "c", 0, {{"OHV-1", "h", 1}}}),
                 RecordError);
    RecordReader stillOld(blocked);
    EXPECT_EQ(stillOld.version(), 1);
    EXPECT_EQ(readAll(stillOld).size(), 2u);
    EXPECT_EQ(stillOld.sessions().size(), 1u);
    EXPECT_EQ(Database(blocked, SQLITE_OPEN_READONLY)
                  .queryInt("SELECT count(*) FROM pragma_table_info('status') WHERE name = 'vehicle'"),
              0);

    {
        RecordWriter writer;
        writer.open(path, true, SessionInfo{"0.7", "fleet", "conf.json", 0, {{"OHV-1", "h", 5550}}});
        writer.recordStatus(RecordWriter::nowNs(), {"111", "4"}, 0);
        writer.close();
        EXPECT_TRUE(writer.closedCleanly());
    }
    RecordReader upgraded(path);
    EXPECT_EQ(upgraded.version(), kSchemaVersion);
    ASSERT_EQ(upgraded.sessions().size(), 2u);
    EXPECT_EQ(upgraded.sessions()[1].info.vehicles.size(), 1u);
    const auto events = readAll(upgraded);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].vehicle, "");
    EXPECT_EQ(events[2].vehicle, "OHV-1");
}

}  // namespace
}  // namespace kova::record
