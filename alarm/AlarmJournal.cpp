#include "alarm/AlarmJournal.h"

#include "record/Sqlite.h"

#include <sqlite3.h>

namespace kova {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS alarms ("
    " id INTEGER PRIMARY KEY, vehicle TEXT NOT NULL, kind TEXT NOT NULL, slot INTEGER NOT NULL,"
    " code TEXT NOT NULL, raised_ms INTEGER NOT NULL, cleared_ms INTEGER NOT NULL DEFAULT 0,"
    " acked_ms INTEGER NOT NULL DEFAULT 0, acked_by TEXT NOT NULL DEFAULT '',"
    " state INTEGER, status INTEGER, po INTEGER, velocity INTEGER);"
    "CREATE TABLE IF NOT EXISTS events ("
    " time_ms INTEGER NOT NULL, vehicle TEXT NOT NULL, event TEXT NOT NULL, kind TEXT NOT NULL,"
    " slot INTEGER NOT NULL, code TEXT NOT NULL, alarm_id INTEGER NOT NULL, operator TEXT NOT NULL DEFAULT "
    "'',"
    " state INTEGER, status INTEGER, po INTEGER, velocity INTEGER);";

AlarmKind kindFromName(const std::string& name) {
    if (name == alarmKindName(AlarmKind::Fault))
        return AlarmKind::Fault;
    if (name == alarmKindName(AlarmKind::LinkSilent))
        return AlarmKind::LinkSilent;
    return AlarmKind::Warning;
}

}  // namespace

struct AlarmJournal::Files {
    record::Database db;
    record::Statement saveAlarm;
    record::Statement saveEvent;

    explicit Files(const std::string& path)
        : db(open(path)),
          saveAlarm(
              db,
              "INSERT OR REPLACE INTO alarms (id, vehicle, kind, slot, code, raised_ms, cleared_ms, acked_ms,"
              " acked_by, state, status, po, velocity) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"),
          saveEvent(
              db,
              "INSERT INTO events (time_ms, vehicle, event, kind, slot, code, alarm_id, operator, state,"
              " status, po, velocity) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)") {}

    static record::Database open(const std::string& path) {
        record::Database db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        sqlite3_busy_timeout(db.handle(), kBusyWaitMs);
        db.exec("PRAGMA journal_mode=WAL;");
        db.exec(kSchema);
        return db;
    }
};

AlarmJournal::AlarmJournal() = default;
AlarmJournal::~AlarmJournal() = default;

bool AlarmJournal::isOpen() const {
    return files_ != nullptr;
}

bool AlarmJournal::open(const std::string& path, AlarmBook& book) {
    try {
        files_ = std::make_unique<Files>(path);
        record::Statement read(
            files_->db,
            "SELECT id, vehicle, kind, slot, code, raised_ms, cleared_ms, acked_ms, acked_by,"
            " state, status, po, velocity FROM alarms ORDER BY id");
        while (read.step()) {
            Alarm alarm;
            alarm.id = read.columnInt(0);
            alarm.vehicle = read.columnBytes(1);
            alarm.kind = kindFromName(read.columnBytes(2));
            alarm.slot = static_cast<int>(read.columnInt(3));
            alarm.code = read.columnBytes(4);
            alarm.raisedMs = read.columnInt(5);
            alarm.clearedMs = read.columnInt(6);
            alarm.ackedMs = read.columnInt(7);
            alarm.ackedBy = read.columnBytes(8);
            alarm.context = AlarmContext{
                static_cast<std::int32_t>(read.columnInt(9)), static_cast<std::int32_t>(read.columnInt(10)),
                static_cast<std::int32_t>(read.columnInt(11)), static_cast<std::int32_t>(read.columnInt(12))};
            book.restore(alarm);
        }
        error_.clear();
        return true;
    } catch (const std::exception& e) {
        files_.reset();
        error_ = e.what();
        return false;
    }
}

std::int64_t AlarmJournal::nextFreeId() {
    if (!files_) {
        return 0;
    }
    try {
        return files_->db.queryInt("SELECT COALESCE(MAX(id), 0) + 1 FROM alarms");
    } catch (const std::exception&) {
        return 0;
    }
}

bool AlarmJournal::record(const AlarmEvent& event, const Alarm& alarm) {
    return write(event.raised ? "raised" : "cleared", event, alarm);
}

bool AlarmJournal::recordAck(const Alarm& alarm) {
    AlarmEvent event;
    event.timeMs = alarm.ackedMs;
    event.vehicle = alarm.vehicle;
    event.kind = alarm.kind;
    event.slot = alarm.slot;
    event.code = alarm.code;
    event.context = alarm.context;
    return write("acked", event, alarm);
}

bool AlarmJournal::write(const char* what, const AlarmEvent& event, const Alarm& alarm) {
    if (!files_) {
        ++failedWrites_;
        if (error_.empty())
            error_ = "no journal file";
        return false;
    }
    try {
        files_->db.exec("BEGIN IMMEDIATE;");
        try {
            record::Statement& a = files_->saveAlarm;
            a.bindInt(1, alarm.id).bindText(2, alarm.vehicle).bindText(3, alarmKindName(alarm.kind));
            a.bindInt(4, alarm.slot)
                .bindText(5, alarm.code)
                .bindInt(6, alarm.raisedMs)
                .bindInt(7, alarm.clearedMs);
            a.bindInt(8, alarm.ackedMs).bindText(9, alarm.ackedBy).bindInt(10, alarm.context.operationState);
            a.bindInt(11, alarm.context.operationStatus).bindInt(12, alarm.context.currentPo);
            a.bindInt(13, alarm.context.actualVelocity);
            a.step();
            a.reset();
            record::Statement& e = files_->saveEvent;
            e.bindInt(1, event.timeMs).bindText(2, event.vehicle).bindText(3, what);
            e.bindText(4, alarmKindName(event.kind)).bindInt(5, event.slot).bindText(6, event.code);
            e.bindInt(7, alarm.id).bindText(8, std::string(what) == "acked" ? alarm.ackedBy : std::string());
            e.bindInt(9, event.context.operationState).bindInt(10, event.context.operationStatus);
            e.bindInt(11, event.context.currentPo).bindInt(12, event.context.actualVelocity);
            e.step();
            e.reset();
            files_->db.exec("COMMIT;");
        } catch (...) {
            sqlite3_exec(files_->db.handle(), "ROLLBACK;", nullptr, nullptr, nullptr);
            throw;
        }
        error_.clear();
        return true;
    } catch (const std::exception& e) {
        ++failedWrites_;
        error_ = e.what();
        return false;
    }
}

}  // namespace kova
