#include "alarm/AlarmEvents.h"

namespace kova {

const char* alarmKindName(AlarmKind kind) {
    switch (kind) {
        case AlarmKind::Warning:
            return "warning";
        case AlarmKind::Fault:
            return "fault";
        case AlarmKind::LinkSilent:
            return "link silent";
    }
    return "?";
}

AlarmContext alarmContext(const StatusRecord& record) {
    return AlarmContext{record.operationState, record.operationStatus, record.currentPo,
                        record.actualVelocity};
}

namespace {

void slotChanges(AlarmKind kind, const std::array<std::string, 2>& before,
                 const std::array<std::string, 2>& after, const AlarmEvent& base,
                 std::vector<AlarmEvent>& out) {
    for (int slot = 0; slot < 2; ++slot) {
        const std::string& was = before[static_cast<std::size_t>(slot)];
        const std::string& now = after[static_cast<std::size_t>(slot)];
        if (was == now)
            continue;
        AlarmEvent event = base;
        event.kind = kind;
        event.slot = slot;
        if (!was.empty()) {
            event.code = was;
            event.raised = false;
            out.push_back(event);
        }
        if (!now.empty()) {
            event.code = now;
            event.raised = true;
            out.push_back(event);
        }
    }
}

}  // namespace

std::vector<AlarmEvent> alarmEvents(const StatusRecord& before, const StatusRecord& after,
                                    const std::string& vehicle, std::int64_t timeMs) {
    std::vector<AlarmEvent> out;
    AlarmEvent base;
    base.timeMs = timeMs;
    base.vehicle = vehicle;
    base.context = alarmContext(after);
    slotChanges(AlarmKind::Warning, before.alarmWarning, after.alarmWarning, base, out);
    slotChanges(AlarmKind::Fault, before.alarmFault, after.alarmFault, base, out);
    return out;
}

AlarmEvent linkEvent(const StatusRecord& record, const std::string& vehicle, std::int64_t timeMs,
                     bool silent) {
    AlarmEvent event;
    event.timeMs = timeMs;
    event.vehicle = vehicle;
    event.kind = AlarmKind::LinkSilent;
    event.code = "link";
    event.raised = silent;
    event.context = alarmContext(record);
    return event;
}

}  // namespace kova
