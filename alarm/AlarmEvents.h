#pragma once

#include "monitor/StatusRecord.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kova {

// What raised an alarm: a controller's warning or fault slot, or the console's own watch on the link.
enum class AlarmKind { Warning, Fault, LinkSilent };

const char* alarmKindName(AlarmKind kind);

// The vehicle as it stood when an event happened.
struct AlarmContext {
    std::int32_t operationState = 0;
    std::int32_t operationStatus = 0;
    std::int32_t currentPo = -1;
    std::int32_t actualVelocity = 0;  // 0.1 mm/s
};

AlarmContext alarmContext(const StatusRecord& record);

// One change: a code appearing (raised) or going (cleared). slot is 0 or 1 for the first and second
// code of a warning or fault, 0 for the link.
struct AlarmEvent {
    std::int64_t timeMs = 0;  // since the epoch
    std::string vehicle;
    AlarmKind kind = AlarmKind::Warning;
    int slot = 0;
    std::string code;
    bool raised = true;
    AlarmContext context;
};

// Every change of the warning and fault slots from before to after; a code replaced by another is
// the old one cleared, then the new one raised.
std::vector<AlarmEvent> alarmEvents(const StatusRecord& before, const StatusRecord& after,
                                    const std::string& vehicle, std::int64_t timeMs);

// The console's own alarm: the link went silent (raised) or is live again (cleared).
AlarmEvent linkEvent(const StatusRecord& record, const std::string& vehicle, std::int64_t timeMs,
                     bool silent);

}  // namespace kova
