#pragma once

#include "alarm/AlarmEvents.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kova {

// The four states of an alarm's life: raised and not yet seen, seen while still standing, gone
// before anyone saw it, and closed (gone and seen).
enum class AlarmState { ActiveUnacked, ActiveAcked, ClearedUnacked, Closed };

const char* alarmStateName(AlarmState state);

struct Alarm {
    std::int64_t id = 0;
    std::string vehicle;
    AlarmKind kind = AlarmKind::Warning;
    int slot = 0;
    std::string code;
    std::int64_t raisedMs = 0;
    std::int64_t clearedMs = 0;  // 0 while active
    std::int64_t ackedMs = 0;    // 0 while unacknowledged
    std::string ackedBy;
    AlarmContext context;  // at the raise

    bool active() const { return clearedMs == 0; }
    bool acked() const { return ackedMs != 0; }
    AlarmState state() const;
};

struct AlarmCounts {
    int active = 0;
    int unacked = 0;
    bool flood = false;  // with byVehicle only
};

// Every alarm of every vehicle, in the order raised. Events move alarms through their states; the
// journal file stores what this book holds, and loads it back at start.
class AlarmBook {
public:
    static constexpr int kFloodAlarms = 10;                      // more than this many ...
    static constexpr std::int64_t kFloodWindowMs = 10 * 60'000;  // ... in this long is a flood

    // Applies one event; returns the alarm it raised or cleared, or null when a clear matches no
    // standing alarm (the console started after the raise and the journal does not know it).
    const Alarm* apply(const AlarmEvent& event);
    // New alarms take ids from `id` on (another console sharing the journal took those below).
    void reserveIdsFrom(std::int64_t id) { nextId_ = std::max(nextId_, id); }
    // Puts back an alarm read from the journal, keeping its id.
    void restore(const Alarm& alarm);

    // Acknowledges one alarm; false when there is no such alarm or it was already acknowledged.
    bool ack(std::int64_t id, const std::string& operatorName, std::int64_t timeMs);
    // Acknowledges every unacknowledged alarm of the vehicle (of every vehicle when `vehicle` is
    // empty); returns their ids.
    std::vector<std::int64_t> ackAll(const std::string& vehicle, const std::string& operatorName,
                                     std::int64_t timeMs);

    // The vehicle's alarms (every vehicle's when `vehicle` is empty), newest first.
    std::vector<Alarm> journal(const std::string& vehicle) const;
    // The alarm `from` takes the id `to` (the journal file gave it that one); an alarm the book
    // already held under `to` keeps its acknowledgement.
    void renumber(std::int64_t from, std::int64_t to);
    // Forgets every alarm (a replay going back in time).
    void clear() {
        alarms_.clear();
        nextId_ = 1;
    }
    const Alarm* find(std::int64_t id) const;
    AlarmCounts counts(const std::string& vehicle) const;
    // Every vehicle's counts and flood mark at nowMs, in one walk of the book.
    std::map<std::string, AlarmCounts> byVehicle(std::int64_t nowMs) const;
    // More than kFloodAlarms raised within the kFloodWindowMs before nowMs.
    bool inFlood(const std::string& vehicle, std::int64_t nowMs) const;

private:
    std::map<std::int64_t, Alarm> alarms_;
    std::int64_t nextId_ = 1;
};

}  // namespace kova
