#pragma once

#include "alarm/AlarmBook.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace kova {

// One change the journal file is still to take: an alarm raised or cleared, or acknowledged.
struct JournalWrite {
    enum class What { Raise, Clear, Ack };
    What what = What::Raise;
    AlarmEvent event;  // time, vehicle, slot, code and the vehicle's context at the change
    Alarm alarm;       // the alarm as the change left it
};

// The journal file (log/alarms.db): every event as a row, and every alarm's present state, so an
// alarm left unacknowledged stays so after a restart. WAL and a short busy wait let two consoles on
// one folder share it: a raise another console already wrote (same vehicle, slot and code, raised
// moments apart, still active, and not one of this console's own) is taken as the same alarm, and changes are written as updates of
// the fields they change, so one console's acknowledgement is never undone by the other's clear.
// One thread at a time.
class AlarmJournal {
public:
    // Busy wait for a lock held by another console: a write waits no longer, and fails.
    static constexpr int kBusyWaitMs = 200;
    // Two consoles' raises of one code this close together are one alarm.
    static constexpr std::int64_t kSameRaiseMs = 5000;

    AlarmJournal();
    ~AlarmJournal();
    AlarmJournal(const AlarmJournal&) = delete;
    AlarmJournal& operator=(const AlarmJournal&) = delete;

    // Opens or creates the file and reads its alarms into book. A file that is not a journal or is
    // damaged is moved aside (asideName) and a fresh one started; movedAside() then says where.
    // False (and error()) when no journal can be had.
    bool open(const std::string& path, AlarmBook& book);
    bool isOpen() const;

    // Writes the batch in one transaction, in order; false (error(), the batch untouched) when it
    // failed, a busy file after the bounded wait included. `renumbered` gets (book id, file id) for
    // every raise that took another id in the file.
    bool write(std::vector<JournalWrite>& batch, std::vector<std::pair<std::int64_t, std::int64_t>>& renumbered);

    // One event and the alarm it moved, or an acknowledgement, written alone.
    bool record(const AlarmEvent& event, const Alarm& alarm);
    bool recordAck(const Alarm& alarm);

    // Whether another connection wrote to the file since the last call (SQLite's data version).
    bool changedElsewhere();
    // Every alarm in the file, by id. Throws record::SqliteError.
    std::vector<Alarm> readAlarms();

    // Why the last open or write failed, empty while all is well.
    const std::string& error() const { return error_; }
    std::uint64_t failedWrites() const { return failedWrites_; }
    // Where a damaged or foreign file was moved at open, empty when none was.
    const std::string& movedAside() const { return movedAside_; }

private:
    void writeOne(JournalWrite& write, std::vector<std::pair<std::int64_t, std::int64_t>>& renumbered,
                  std::vector<std::int64_t>& newIds);

    struct Files;
    std::unique_ptr<Files> files_;
    std::string error_;
    std::string movedAside_;
    std::uint64_t failedWrites_ = 0;
    std::int64_t dataVersion_ = 0;
    std::unordered_set<std::int64_t> ownIds_;  // alarms this console wrote: never taken for another's
};

// The name a damaged journal is moved to: "log/alarms.db.damaged-20261210-101500" (local time).
std::string asideName(const std::string& path, std::time_t when);

}  // namespace kova
