#pragma once

#include "alarm/AlarmJournal.h"
#include "monitor/LinkState.h"
#include "monitor/StatusStore.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <string>
#include <string_view>
#include <vector>

namespace kova {

// Whether a status message's index is one of the warning or fault objects, read as the status
// handler reads it ("500", " 0501x"), without converting anything else.
bool isAlarmMessage(std::string_view indexText);

// The console's alarm desk: turns each change of a vehicle's warning and fault slots (seen in every
// status message, so a code that comes and goes between two redraws still counts) and of its link
// into alarms, keeps the book of them, takes acknowledgements, and writes the journal file on a
// writer thread of its own, one transaction a tick: changes wait in memory until written, a write that fails (a busy file after the
// bounded wait included) is tried again on the next tick, and neither the receive threads nor the
// screen wait for the file. Any thread; one lock guards the book, never held while the file is written or the screen
// drawn.
class AlarmWatch {
public:
    static constexpr const char* kJournalPath = "log/alarms.db";
    // Changes kept in memory while the file fails; past this many the oldest are let go, counted.
    static constexpr std::size_t kMaxPending = 200'000;

    // Opens the journal at path and reads back the alarms it holds; a journal that cannot be opened
    // leaves the alarms in memory only, said by titleText(). An empty path keeps them in memory by
    // design (a replay), said nowhere.
    explicit AlarmWatch(const std::string& path = kJournalPath);
    // Stops the writer, then writes what still waits (a last try).
    ~AlarmWatch();
    AlarmWatch(const AlarmWatch&) = delete;
    AlarmWatch& operator=(const AlarmWatch&) = delete;

    // Calls tick() every `interval` on a thread of its own until destroyed, so neither the receive
    // threads nor the screen ever wait for the file. Without it the owner calls tick().
    void startWriter(std::chrono::milliseconds interval);

    // One status message of the vehicle, as received: a warning or fault message becomes the events
    // of its slots' changes, with the vehicle's context taken from `store`; any other is let by at
    // the cost of a look at its index. Receiving threads.
    void observeMessage(const std::string& vehicle, std::string_view indexText, std::string_view valuesText,
                        const StatusStore& store, std::int64_t nowMs);
    // The vehicle's link silent or live; a change is an event, with the context taken from `store`.
    void observeLink(const std::string& vehicle, bool silent, const StatusStore& store, std::int64_t nowMs);
    // The vehicle's whole record and link at once (slot changes since the record seen before).
    std::vector<AlarmEvent> observe(const std::string& vehicle, const StatusRecord& record, const LinkState& link,
                                    std::int64_t nowMs);
    // Forgets every alarm and every slot seen (a replay going back in time).
    void restart();

    // Writes what waits for the file, then takes in what another console wrote to it. One thread
    // at a time (the writer's).
    void tick() { tick(true); }

    // "ack": the alarm of that id; "ack all": every unacknowledged alarm of the vehicle (of every
    // vehicle when `vehicle` is empty). The result is the line the operator reads.
    std::string ack(std::int64_t id, const std::string& operatorName, std::int64_t nowMs);
    std::string ackAll(const std::string& vehicle, const std::string& operatorName, std::int64_t nowMs);

    // The vehicle's alarms (every vehicle's when empty), newest first.
    std::vector<Alarm> journal(const std::string& vehicle) const;
    // "alarms: N active, M unacked", the flood mark and a journal fault, or empty when all is quiet.
    std::string titleText(const std::string& vehicle, std::int64_t nowMs) const;
    AlarmCounts counts(const std::string& vehicle) const;
    bool inFlood(const std::string& vehicle, std::int64_t nowMs) const;
    // Every vehicle's counts and flood mark, in one walk (a redraw of the fleet table).
    std::map<std::string, AlarmCounts> byVehicle(std::int64_t nowMs) const;
    // Grows with every change of the book, so a shown journal knows when to be drawn again.
    std::uint64_t changes() const;
    // Why the file is not written, empty while it is.
    std::string fileError() const;
    std::uint64_t failedWrites() const;
    std::size_t pendingWrites() const;
    // Changes let go because the file failed for too long.
    std::uint64_t lostWrites() const;
    // Where a damaged journal was moved at start, empty when none was.
    const std::string& movedAside() const { return journal_.movedAside(); }

private:
    struct Seen {
        StatusRecord record;
        bool silent = false;
    };
    // The vehicle's slots and link as last seen, made on first sight from the alarms standing in
    // the book. mutex_ held.
    Seen& seenLocked(const std::string& vehicle);
    // Applies the events to the book and queues what the file is to take. mutex_ held.
    void applyLocked(const std::vector<AlarmEvent>& events);
    void queueLocked(JournalWrite write);
    // Queues the journal's record of an acknowledgement just made.
    void queueAckLocked(const Alarm& alarm);
    // Writes what waits; with `look`, also reads back what another console wrote meanwhile.
    void tick(bool look);

    const bool keepFile_;
    mutable std::mutex mutex_;
    AlarmBook book_;                     // under mutex_
    std::map<std::string, Seen> seen_;   // under mutex_
    std::vector<JournalWrite> pending_;  // under mutex_
    std::string fileError_;              // under mutex_
    std::uint64_t changes_ = 0;          // under mutex_
    std::uint64_t failedWrites_ = 0;     // under mutex_
    std::uint64_t lostWrites_ = 0;       // under mutex_
    bool reloadWanted_ = false;          // under fileMutex_
    std::mutex fileMutex_;               // one tick at a time
    AlarmJournal journal_;               // under fileMutex_ after the constructor
    std::mutex writerMutex_;
    std::condition_variable writerWake_;
    bool stopping_ = false;  // under writerMutex_
    std::thread writer_;
};

// One journal line as the log window shows it: time, state, kind, slot, code, who acknowledged;
// the vehicle first when `withVehicle` (the fleet's journal).
std::string alarmLine(const Alarm& alarm, bool withVehicle = false);

}  // namespace kova
