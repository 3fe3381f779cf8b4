#include "alarm/AlarmJournal.h"

#include "record/Sqlite.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
    " state INTEGER, status INTEGER, po INTEGER, velocity INTEGER);"
    "CREATE INDEX IF NOT EXISTS alarms_standing ON alarms (vehicle, kind, slot, code, cleared_ms);";

AlarmKind kindFromName(const std::string& name) {
    if (name == alarmKindName(AlarmKind::Fault))
        return AlarmKind::Fault;
    if (name == alarmKindName(AlarmKind::LinkSilent))
        return AlarmKind::LinkSilent;
    return AlarmKind::Warning;
}

using record::Database;
using record::SqliteError;
using record::Statement;

// A file SQLite reads but that holds other tables, or alarms of another shape, is not a journal.
void checkIsJournal(Database& db) {
    Statement check(db, "PRAGMA quick_check");
    if (check.step() && check.columnBytes(0) != "ok") {
        throw SqliteError(SQLITE_CORRUPT, "damaged: " + check.columnBytes(0));
    }
    check.reset();
    if (db.queryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT IN ('alarms', "
                    "'events')") > 0) {
        throw SqliteError(SQLITE_NOTADB, "not an alarm journal");
    }
}

}  // namespace

struct AlarmJournal::Files {
    Database db;
    Statement insertAlarm, sameRaise, idTaken, clearAlarm, ackAlarm, insertEvent, readAll;

    explicit Files(const std::string& path)
        : db(open(path)),
          insertAlarm(prepare(db, "INSERT INTO alarms (id, vehicle, kind, slot, code, raised_ms, cleared_ms, acked_ms,"
                                  " acked_by, state, status, po, velocity) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)")),
          sameRaise(prepare(db, "SELECT id FROM alarms WHERE vehicle = ? AND kind = ? AND slot = ? AND code = ?"
                                " AND cleared_ms = 0 AND raised_ms BETWEEN ? AND ? ORDER BY id DESC")),
          idTaken(prepare(db, "SELECT (SELECT count(*) FROM alarms WHERE id = ?), COALESCE(MAX(id), 0) + 1 FROM alarms")),
          clearAlarm(prepare(db, "UPDATE alarms SET cleared_ms = ? WHERE id = ? AND cleared_ms = 0")),
          ackAlarm(prepare(db, "UPDATE alarms SET acked_ms = ?, acked_by = ? WHERE id = ? AND acked_ms = 0")),
          insertEvent(prepare(db, "INSERT INTO events (time_ms, vehicle, event, kind, slot, code, alarm_id, operator,"
                                  " state, status, po, velocity) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)")),
          readAll(prepare(db, "SELECT id, vehicle, kind, slot, code, raised_ms, cleared_ms, acked_ms, acked_by,"
                              " state, status, po, velocity FROM alarms ORDER BY id")) {}

    static Database open(const std::string& path) {
        Database db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        sqlite3_busy_timeout(db.handle(), kBusyWaitMs);
        checkIsJournal(db);
        // In WAL a commit needs no sync of its own: the file stays whole after a crash, and at most
        // the newest commits of a power cut are lost.
        db.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
        db.exec(kSchema);
        return db;
    }

    // Tables of the right names but not of our columns: not a journal either.
    static Statement prepare(const Database& db, const char* sql) {
        try {
            return Statement(db, sql);
        } catch (const SqliteError& e) {
            if (e.primary() == SQLITE_ERROR) {
                throw SqliteError(SQLITE_NOTADB, std::string("not an alarm journal: ") + e.what());
            }
            throw;
        }
    }
};

std::string asideName(const std::string& path, std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    return path + ".damaged-" + stamp;
}

AlarmJournal::AlarmJournal() = default;
AlarmJournal::~AlarmJournal() = default;

bool AlarmJournal::isOpen() const {
    return files_ != nullptr;
}

bool AlarmJournal::open(const std::string& path, AlarmBook& book) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            files_ = std::make_unique<Files>(path);
            for (const Alarm& alarm : readAlarms()) {
                book.restore(alarm);
            }
            dataVersion_ = files_->db.queryInt("PRAGMA data_version");
            error_.clear();
            return true;
        } catch (const SqliteError& e) {
            files_.reset();
            error_ = e.what();
            if (attempt > 0 || (e.primary() != SQLITE_NOTADB && e.primary() != SQLITE_CORRUPT)) {
                return false;
            }
            // Kept for whoever wants to look into it; the console goes on with a fresh journal.
            const std::string aside = asideName(path, std::time(nullptr));
            if (std::rename(path.c_str(), aside.c_str()) != 0) {
                error_ = "cannot move the damaged journal aside: " + std::string(std::strerror(errno));
                return false;
            }
            for (const char* companion : {"-wal", "-shm"}) {
                std::rename((path + companion).c_str(), (aside + companion).c_str());
            }
            movedAside_ = aside;
        } catch (const std::exception& e) {
            files_.reset();
            error_ = e.what();
            return false;
        }
    }
    return false;
}

std::vector<Alarm> AlarmJournal::readAlarms() {
    std::vector<Alarm> alarms;
    if (!files_) {
        return alarms;
    }
    Statement& read = files_->readAll;
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
        alarm.context =
            AlarmContext{static_cast<std::int32_t>(read.columnInt(9)), static_cast<std::int32_t>(read.columnInt(10)),
                         static_cast<std::int32_t>(read.columnInt(11)), static_cast<std::int32_t>(read.columnInt(12))};
        alarms.push_back(std::move(alarm));
    }
    read.reset();
    return alarms;
}

bool AlarmJournal::changedElsewhere() {
    if (!files_) {
        return false;
    }
    try {
        const std::int64_t version = files_->db.queryInt("PRAGMA data_version");
        const bool changed = version != dataVersion_;
        dataVersion_ = version;
        return changed;
    } catch (const std::exception&) {
        return false;
    }
}

bool AlarmJournal::record(const AlarmEvent& event, const Alarm& alarm) {
    std::vector<JournalWrite> one{
        JournalWrite{event.raised ? JournalWrite::What::Raise : JournalWrite::What::Clear, event, alarm}};
    std::vector<std::pair<std::int64_t, std::int64_t>> renumbered;
    return write(one, renumbered);
}

bool AlarmJournal::recordAck(const Alarm& alarm) {
    AlarmEvent event;
    event.timeMs = alarm.ackedMs;
    event.vehicle = alarm.vehicle;
    event.context = alarm.context;
    std::vector<JournalWrite> one{JournalWrite{JournalWrite::What::Ack, event, alarm}};
    std::vector<std::pair<std::int64_t, std::int64_t>> renumbered;
    return write(one, renumbered);
}

bool AlarmJournal::write(std::vector<JournalWrite>& batch,
                         std::vector<std::pair<std::int64_t, std::int64_t>>& renumbered) {
    if (!files_) {
        ++failedWrites_;
        if (error_.empty())
            error_ = "no journal file";
        return false;
    }
    // Worked on a copy: a batch that fails stays as it was, to be written again.
    std::vector<JournalWrite> work = batch;
    std::vector<std::pair<std::int64_t, std::int64_t>> moved;
    std::vector<std::int64_t> newIds;
    try {
        files_->db.exec("BEGIN IMMEDIATE;");
        try {
            for (JournalWrite& one : work) {
                writeOne(one, moved, newIds);
            }
            files_->db.exec("COMMIT;");
        } catch (...) {
            sqlite3_exec(files_->db.handle(), "ROLLBACK;", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (const std::exception& e) {
        ++failedWrites_;
        error_ = e.what();
        return false;
    }
    // Our own commits do not count as another console's.
    changedElsewhere();
    error_.clear();
    ownIds_.insert(newIds.begin(), newIds.end());
    renumbered.insert(renumbered.end(), moved.begin(), moved.end());
    return true;
}

void AlarmJournal::writeOne(JournalWrite& one, std::vector<std::pair<std::int64_t, std::int64_t>>& renumbered,
                            std::vector<std::int64_t>& newIds) {
    Alarm& alarm = one.alarm;
    for (const auto& [from, to] : renumbered) {
        if (alarm.id == from) {
            alarm.id = to;
        }
    }
    const char* what = "raised";
    if (one.what == JournalWrite::What::Raise) {
        Statement& same = files_->sameRaise;
        same.bindText(1, alarm.vehicle).bindText(2, alarmKindName(alarm.kind)).bindInt(3, alarm.slot);
        same.bindText(4, alarm.code).bindInt(5, alarm.raisedMs - kSameRaiseMs).bindInt(6, alarm.raisedMs + kSameRaiseMs);
        std::int64_t sameId = 0;
        while (sameId == 0 && same.step()) {
            const std::int64_t id = same.columnInt(0);
            if (ownIds_.count(id) == 0 && std::find(newIds.begin(), newIds.end(), id) == newIds.end()) {
                sameId = id;
            }
        }
        same.reset();
        const bool sameRaise = sameId != 0;
        if (sameRaise) {
            // Another console wrote this raise already: one alarm, one row.
            if (sameId != alarm.id) {
                renumbered.emplace_back(alarm.id, sameId);
            }
            return;
        }
        Statement& taken = files_->idTaken;
        taken.bindInt(1, alarm.id);
        taken.step();
        if (taken.columnInt(0) > 0) {
            renumbered.emplace_back(alarm.id, taken.columnInt(1));
            alarm.id = taken.columnInt(1);
        }
        taken.reset();
        newIds.push_back(alarm.id);
        Statement& a = files_->insertAlarm;
        a.bindInt(1, alarm.id).bindText(2, alarm.vehicle).bindText(3, alarmKindName(alarm.kind));
        a.bindInt(4, alarm.slot).bindText(5, alarm.code).bindInt(6, alarm.raisedMs).bindInt(7, alarm.clearedMs);
        a.bindInt(8, alarm.ackedMs).bindText(9, alarm.ackedBy).bindInt(10, alarm.context.operationState);
        a.bindInt(11, alarm.context.operationStatus).bindInt(12, alarm.context.currentPo);
        a.bindInt(13, alarm.context.actualVelocity);
        a.step();
        a.reset();
    } else {
        Statement& update = one.what == JournalWrite::What::Clear ? files_->clearAlarm : files_->ackAlarm;
        if (one.what == JournalWrite::What::Clear) {
            what = "cleared";
            update.bindInt(1, one.event.timeMs).bindInt(2, alarm.id);
        } else {
            what = "acked";
            update.bindInt(1, alarm.ackedMs).bindText(2, alarm.ackedBy).bindInt(3, alarm.id);
        }
        update.step();
        update.reset();
        if (sqlite3_changes(files_->db.handle()) == 0) {
            return;  // another console cleared or acknowledged it first, and wrote the event
        }
    }
    const AlarmEvent& event = one.event;
    Statement& e = files_->insertEvent;
    e.bindInt(1, event.timeMs).bindText(2, alarm.vehicle).bindText(3, what);
    e.bindText(4, alarmKindName(alarm.kind)).bindInt(5, alarm.slot).bindText(6, alarm.code);
    e.bindInt(7, alarm.id).bindText(8, one.what == JournalWrite::What::Ack ? alarm.ackedBy : std::string());
    e.bindInt(9, event.context.operationState).bindInt(10, event.context.operationStatus);
    e.bindInt(11, event.context.currentPo).bindInt(12, event.context.actualVelocity);
    e.step();
    e.reset();
}

}  // namespace kova
