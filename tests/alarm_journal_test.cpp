// The alarm journal: events from successive status records and from single messages, the four
// states, the flood mark, the SQLite file read back after a restart, failing to write and written
// again, moved aside when it is not a journal, and the journal line's escaping.
#include "TestSupport.h"
#include "alarm/AlarmJournal.h"
#include "alarm/AlarmWatch.h"
#include "base/TextCells.h"
#include "record/Sqlite.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/resource.h>
#include <csignal>
#include <ctime>
#include <filesystem>

using namespace kova;

namespace {

StatusRecord slots(const std::string& w0, const std::string& w1, const std::string& f0,
                   const std::string& f1) {
    StatusRecord r;
    r.alarmWarning = {w0, w1};
    r.alarmFault = {f0, f1};
    return r;
}

std::string describe(const std::vector<AlarmEvent>& events) {
    std::string out;
    for (const auto& e : events) {
        out += std::string(e.raised ? "+" : "-") + alarmKindName(e.kind) + std::to_string(e.slot) + ":" +
               e.code + " ";
    }
    return out;
}

}  // namespace

TEST(AlarmEvents, EachSlotChangeIsAnEvent) {
    struct Case {
        StatusRecord before, after;
        std::string events;
    } cases[] = {
        {slots("", "", "", ""), slots("", "", "", ""), ""},
        {slots("", "", "", ""), slots("W1", "", "", ""), "+warning0:W1 "},
        {slots("W1", "", "", ""), slots("", "", "", ""), "-warning0:W1 "},
        {slots("W1", "", "", ""), slots("W2", "", "", ""), "-warning0:W1 +warning0:W2 "},
        {slots("", "", "", ""), slots("", "W9", "", "E02"), "+warning1:W9 +fault1:E02 "},
        {slots("", "", "E01", "E02"), slots("", "", "E02", ""), "-fault0:E01 +fault0:E02 -fault1:E02 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(alarmEvents(c.before, c.after, "v1", 5)), c.events) << c.events;
    }
    StatusRecord after = slots("", "", "E01", "");
    after.operationState = 3;
    after.operationStatus = 7;
    after.currentPo = 42;
    after.actualVelocity = -150;
    auto events = alarmEvents(slots("", "", "", ""), after, "v1", 5);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].vehicle, "v1");
    EXPECT_EQ(events[0].timeMs, 5);
    EXPECT_EQ(events[0].context.operationState, 3);
    EXPECT_EQ(events[0].context.operationStatus, 7);
    EXPECT_EQ(events[0].context.currentPo, 42);
    EXPECT_EQ(events[0].context.actualVelocity, -150);
}

TEST(AlarmBook, StatesFollowRaiseClearAndAck) {
    AlarmBook book;
    StatusRecord r;
    const Alarm* a = book.apply(alarmEvents(slots("", "", "", ""), slots("", "", "E01", ""), "v1", 10)[0]);
    ASSERT_NE(a, nullptr);
    std::int64_t first = a->id;
    EXPECT_EQ(a->state(), AlarmState::ActiveUnacked);
    EXPECT_TRUE(book.ack(first, "ann", 20));
    EXPECT_FALSE(book.ack(first, "bob", 21)) << "a second ack changes nothing";
    EXPECT_EQ(book.find(first)->state(), AlarmState::ActiveAcked);
    EXPECT_EQ(book.find(first)->ackedBy, "ann");
    book.apply(linkEvent(r, "v1", 30, true));
    book.apply(linkEvent(r, "v1", 40, false));
    book.apply(alarmEvents(slots("", "", "E01", ""), slots("", "", "", ""), "v1", 50)[0]);
    EXPECT_EQ(book.find(first)->state(), AlarmState::Closed);
    auto journal = book.journal("v1");
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].kind, AlarmKind::LinkSilent) << "newest first";
    EXPECT_EQ(journal[0].state(), AlarmState::ClearedUnacked);
    EXPECT_EQ(book.counts("v1").active, 0);
    EXPECT_EQ(book.counts("v1").unacked, 1);
    EXPECT_EQ(book.ackAll("v1", "ann", 60).size(), 1u);
    EXPECT_TRUE(book.ackAll("v1", "ann", 61).empty()) << "nothing left to acknowledge";
    EXPECT_EQ(book.apply(alarmEvents(slots("W7", "", "", ""), slots("", "", "", ""), "v2", 70)[0]), nullptr)
        << "a clear of an alarm the book never saw raised";
}

TEST(AlarmBook, MoreThanTenAlarmsInTenMinutesIsAFlood) {
    AlarmBook book;
    StatusRecord r;
    const std::int64_t start = 1'000'000;
    for (int i = 0; i < 10; ++i) book.apply(linkEvent(r, "v1", start + i * 1000, true));
    EXPECT_FALSE(book.inFlood("v1", start + 10'000));
    book.apply(linkEvent(r, "v1", start + 11'000, true));
    EXPECT_TRUE(book.inFlood("v1", start + 11'000));
    EXPECT_FALSE(book.inFlood("v2", start + 11'000));
    EXPECT_FALSE(book.inFlood("v1", start + AlarmBook::kFloodWindowMs)) << "the first alarm left the window";
}

TEST(AlarmJournalFile, UnackedAlarmSurvivesARestartAndAcksKeepTheOperator) {
    kova::test::TempDir dir;
    const std::string path = dir.file("alarms.db");
    std::int64_t acked = 0;
    {
        AlarmBook book;
        AlarmJournal journal;
        ASSERT_TRUE(journal.open(path, book)) << journal.error();
        for (const auto& e : alarmEvents(slots("", "", "", ""), slots("W1", "", "E01", ""), "v1", 10)) {
            ASSERT_TRUE(journal.record(e, *book.apply(e))) << journal.error();
        }
        acked = book.journal("v1")[0].id;
        ASSERT_TRUE(book.ack(acked, "ann", 20));
        ASSERT_TRUE(journal.recordAck(*book.find(acked)));
    }
    AlarmBook book;
    AlarmJournal journal;
    ASSERT_TRUE(journal.open(path, book)) << journal.error();
    auto alarms = book.journal("v1");
    ASSERT_EQ(alarms.size(), 2u);
    EXPECT_EQ(alarms[0].state(), AlarmState::ActiveAcked);
    EXPECT_EQ(alarms[0].ackedBy, "ann");
    EXPECT_EQ(alarms[1].state(), AlarmState::ActiveUnacked);
    EXPECT_EQ(alarms[1].code, "W1");
    const Alarm* next = book.apply(linkEvent(StatusRecord{}, "v1", 30, true));
    EXPECT_GT(next->id, acked) << "new alarms never reuse a restored id";
}

TEST(AlarmJournalFile, WriteFailuresAreCountedAndTheBookStaysWhole) {
    kova::test::TempDir dir;
    AlarmBook book;
    AlarmJournal unopened;
    EXPECT_FALSE(unopened.open(dir.file("missing/alarms.db"), book));
    EXPECT_FALSE(unopened.error().empty());

    AlarmJournal journal;
    ASSERT_TRUE(journal.open(dir.file("alarms.db"), book)) << journal.error();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64 * 1024, 64 * 1024};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    StatusRecord r;
    r.steerTarget = std::string(4000, 'x');
    int ok = 0;
    for (int i = 0; i < 200 && journal.failedWrites() == 0; ++i) {
        AlarmEvent e = linkEvent(r, std::string(2000, 'v'), i, true);
        if (journal.record(e, *book.apply(e)))
            ++ok;
    }
    EXPECT_GT(journal.failedWrites(), 0u);
    EXPECT_FALSE(journal.error().empty());
    EXPECT_EQ(book.journal(std::string(2000, 'v')).size(), static_cast<std::size_t>(ok) + 1);
}

TEST(AlarmJournalFile, TwoConsolesOnOneFileKeepEachOthersAlarms) {
    kova::test::TempDir dir;
    const std::string path = dir.file("alarms.db");
    AlarmWatch first(path);
    AlarmWatch second(path);
    const LinkState live{};
    first.observe("v1", slots("W1", "", "", ""), live, 10);
    first.tick();
    second.tick();
    second.observe("v2", slots("", "", "E05", ""), live, 20);
    EXPECT_EQ(second.ack(second.journal("v2")[0].id, "bob", 30), "Alarm 2 acknowledged by bob");
    second.tick();
    AlarmWatch after(path);
    ASSERT_EQ(after.journal("v1").size(), 1u);
    ASSERT_EQ(after.journal("v2").size(), 1u);
    EXPECT_EQ(after.journal("v2")[0].ackedBy, "bob");
    EXPECT_EQ(after.titleText("v1", 40), "alarms: 1 active, 1 unacked");
}

// Every warning or fault message counts, not the record seen at a redraw: a code raised and gone
// before the next tick is two events. A busy file (another connection holds its write lock past
// the bounded wait) is a failed write, said in the title and kept; the next tick writes it.
TEST(AlarmWatchFile, ACodeThatComesAndGoesBetweenTicksIsKeptAndABusyWriteIsRetried) {
    kova::test::TempDir dir;
    const std::string path = dir.file("alarms.db");
    AlarmWatch watch(path);
    StatusStore store;
    watch.observeMessage("v1", "501", "W1/servoOff", store, 10);
    watch.observeMessage("v1", "300", "W1/servoOff", store, 15);
    watch.observeMessage("v1", " 0501", "/", store, 20);
    ASSERT_EQ(watch.journal("v1").size(), 2u);
    EXPECT_EQ(watch.journal("v1")[0].state(), AlarmState::ClearedUnacked);
    EXPECT_FALSE(isAlarmMessage("5010"));
    EXPECT_TRUE(isAlarmMessage("500x"));

    record::Database other(path, SQLITE_OPEN_READWRITE);
    other.exec("BEGIN IMMEDIATE;");
    watch.tick();
    EXPECT_EQ(watch.pendingWrites(), 4u);
    EXPECT_EQ(watch.failedWrites(), 1u);
    EXPECT_NE(watch.titleText("v1", 30).find("journal not saved: database is locked"), std::string::npos)
        << watch.titleText("v1", 30);
    other.exec("ROLLBACK;");
    watch.tick();
    EXPECT_EQ(watch.pendingWrites(), 0u);
    EXPECT_EQ(watch.titleText("v1", 30).find("journal not saved"), std::string::npos);
    EXPECT_EQ(other.queryInt("SELECT count(*) FROM events"), 4);
    EXPECT_EQ(other.queryInt("SELECT count(*) FROM alarms WHERE cleared_ms = 20"), 2);
}

// A file that is not a journal (not SQLite at all, or SQLite with tables of something else) is
// moved aside under a name with the time, and a fresh journal started in its place.
TEST(AlarmJournalFile, AFileThatIsNotAJournalIsMovedAsideUnderANameWithTheTime) {
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(asideName("log/alarms.db", 1'796'897'700), "log/alarms.db.damaged-20261210-101500");
    kova::test::TempDir dir;
    const std::string path = dir.file("alarms.db");
    for (bool sqlite : {false, true}) {
        if (sqlite) {
            record::Database(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).exec("CREATE TABLE runs (x);");
        } else {
            kova::test::writeFile(path, "not a journal");
        }
        const std::time_t before = std::time(nullptr);
        AlarmBook book;
        AlarmJournal journal;
        ASSERT_TRUE(journal.open(path, book)) << journal.error();
        EXPECT_TRUE(journal.movedAside() == asideName(path, before) ||
                    journal.movedAside() == asideName(path, before + 1))
            << journal.movedAside();
        EXPECT_TRUE(std::filesystem::exists(journal.movedAside()));
        AlarmEvent e = linkEvent(StatusRecord{}, "v1", 10, true);
        EXPECT_TRUE(journal.record(e, *book.apply(e))) << journal.error();
        std::filesystem::remove(journal.movedAside());
        std::filesystem::remove(path);
    }
}

// Codes are the controller's text: control characters are escaped, a long one cut to the column.
TEST(AlarmLine, ControlCharactersAreEscapedAndTheVehicleNamedInTheFleetsJournal) {
    Alarm alarm;
    alarm.id = 7;
    alarm.vehicle = "ohv\x1b";
    alarm.code = "W\x1b[2J" + std::string(300, 'x');
    const std::string line = alarmLine(alarm, true);
    EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    EXPECT_NE(line.find(" #7 ohv"), std::string::npos) << line;
    EXPECT_EQ(kova::displayWidth(kova::fitColumns("> " + line, 80, false)), 80);
}

// A console started while a code stands takes the journal's alarm for it as the same alarm, and
// clears it once the first message shows the slot empty.
TEST(AlarmWatchFile, ACodeStandingAtStartIsTheJournalsAlarmNotASecondOne) {
    kova::test::TempDir dir;
    const std::string path = dir.file("alarms.db");
    StatusStore store;
    {
        AlarmWatch before(path);
        before.observeMessage("v1", "500", "E01/E02", store, 1'000);
        before.tick();
    }
    AlarmWatch after(path);
    after.observeMessage("v1", "500", "E01/", store, 60'000);
    after.tick();
    const auto alarms = after.journal("v1");
    ASSERT_EQ(alarms.size(), 2u);
    EXPECT_EQ(alarms[0].code, "E02");
    EXPECT_EQ(alarms[0].state(), AlarmState::ClearedUnacked);
    EXPECT_EQ(alarms[1].state(), AlarmState::ActiveUnacked);
    EXPECT_EQ(AlarmWatch(path).journal("v1").size(), 2u) << "nor a second row in the file";
}
