#pragma once

#include "alarm/AlarmJournal.h"
#include "monitor/LinkState.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kova {

// The console's alarm desk: compares each vehicle's status record with the one it saw before, turns
// the changes (and the link going silent or live) into alarms, writes them to the journal, and takes
// acknowledgements. Any thread; one lock guards it, never held while the screen is drawn.
class AlarmWatch {
public:
    static constexpr const char* kJournalPath = "log/alarms.db";

    // Opens the journal at path and reads back the alarms it holds; a journal that cannot be opened
    // leaves the alarms in memory only, said by titleText().
    explicit AlarmWatch(const std::string& path = kJournalPath);

    // Takes the vehicle's record and link as they are now; returns the events they made.
    std::vector<AlarmEvent> observe(const std::string& vehicle, const StatusRecord& record,
                                    const LinkState& link, std::int64_t nowMs);

    // "ack": the alarm of that id; "ack all": every unacknowledged alarm of the vehicle. The result
    // is the line the operator reads.
    std::string ack(std::int64_t id, const std::string& operatorName, std::int64_t nowMs);
    std::string ackAll(const std::string& vehicle, const std::string& operatorName, std::int64_t nowMs);

    std::vector<Alarm> journal(const std::string& vehicle) const;
    // "alarms: N active, M unacked", the flood mark and a journal fault, or empty when all is quiet.
    std::string titleText(const std::string& vehicle, std::int64_t nowMs) const;
    std::uint64_t failedWrites() const;
    AlarmCounts counts(const std::string& vehicle) const;

private:
    struct Seen {
        StatusRecord record;
        bool silent = false;
    };
    mutable std::mutex mutex_;
    AlarmBook book_;
    AlarmJournal journal_;
    std::map<std::string, Seen> seen_;
};

// One journal line as the log window shows it: time, state, kind, slot, code, who acknowledged.
std::string alarmLine(const Alarm& alarm);

}  // namespace kova
