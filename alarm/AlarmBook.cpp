#include "alarm/AlarmBook.h"

#include <algorithm>

namespace kova {

const char* alarmStateName(AlarmState state) {
    switch (state) {
        case AlarmState::ActiveUnacked:
            return "active unacked";
        case AlarmState::ActiveAcked:
            return "active acked";
        case AlarmState::ClearedUnacked:
            return "cleared unacked";
        case AlarmState::Closed:
            return "closed";
    }
    return "?";
}

AlarmState Alarm::state() const {
    if (active())
        return acked() ? AlarmState::ActiveAcked : AlarmState::ActiveUnacked;
    return acked() ? AlarmState::Closed : AlarmState::ClearedUnacked;
}

const Alarm* AlarmBook::apply(const AlarmEvent& event) {
    if (event.raised) {
        Alarm alarm;
        alarm.id = nextId_++;
        alarm.vehicle = event.vehicle;
        alarm.kind = event.kind;
        alarm.slot = event.slot;
        alarm.code = event.code;
        alarm.raisedMs = event.timeMs;
        alarm.context = event.context;
        return &(alarms_[alarm.id] = alarm);
    }
    // The newest standing alarm of that slot and code is the one that goes.
    for (auto it = alarms_.rbegin(); it != alarms_.rend(); ++it) {
        Alarm& alarm = it->second;
        if (alarm.active() && alarm.vehicle == event.vehicle && alarm.kind == event.kind &&
            alarm.slot == event.slot && alarm.code == event.code) {
            alarm.clearedMs = std::max<std::int64_t>(event.timeMs, 1);
            return &alarm;
        }
    }
    return nullptr;
}

void AlarmBook::restore(const Alarm& alarm) {
    alarms_[alarm.id] = alarm;
    nextId_ = std::max(nextId_, alarm.id + 1);
}

bool AlarmBook::ack(std::int64_t id, const std::string& operatorName, std::int64_t timeMs) {
    auto it = alarms_.find(id);
    if (it == alarms_.end() || it->second.acked())
        return false;
    it->second.ackedMs = std::max<std::int64_t>(timeMs, 1);
    it->second.ackedBy = operatorName;
    return true;
}

std::vector<std::int64_t> AlarmBook::ackAll(const std::string& vehicle, const std::string& operatorName,
                                            std::int64_t timeMs) {
    std::vector<std::int64_t> ids;
    for (auto& [id, alarm] : alarms_) {
        if ((vehicle.empty() || alarm.vehicle == vehicle) && !alarm.acked()) {
            ack(id, operatorName, timeMs);
            ids.push_back(id);
        }
    }
    return ids;
}

std::vector<Alarm> AlarmBook::journal(const std::string& vehicle) const {
    std::vector<Alarm> out;
    for (auto it = alarms_.rbegin(); it != alarms_.rend(); ++it) {
        if (vehicle.empty() || it->second.vehicle == vehicle)
            out.push_back(it->second);
    }
    return out;
}

void AlarmBook::renumber(std::int64_t from, std::int64_t to) {
    auto it = alarms_.find(from);
    if (it == alarms_.end() || from == to)
        return;
    Alarm alarm = it->second;
    alarms_.erase(it);
    alarm.id = to;
    auto held = alarms_.find(to);
    if (held != alarms_.end() && held->second.acked() && !alarm.acked()) {
        alarm.ackedMs = held->second.ackedMs;
        alarm.ackedBy = held->second.ackedBy;
    }
    alarms_[to] = alarm;
    nextId_ = std::max(nextId_, to + 1);
}

const Alarm* AlarmBook::find(std::int64_t id) const {
    auto it = alarms_.find(id);
    return it == alarms_.end() ? nullptr : &it->second;
}

AlarmCounts AlarmBook::counts(const std::string& vehicle) const {
    AlarmCounts counts;
    for (const auto& [id, alarm] : alarms_) {
        if (alarm.vehicle != vehicle)
            continue;
        if (alarm.active())
            ++counts.active;
        if (!alarm.acked())
            ++counts.unacked;
    }
    return counts;
}

std::map<std::string, AlarmCounts> AlarmBook::byVehicle(std::int64_t nowMs) const {
    std::map<std::string, AlarmCounts> out;
    std::map<std::string, int> raised;
    for (const auto& [id, alarm] : alarms_) {
        AlarmCounts& counts = out[alarm.vehicle];
        counts.active += alarm.active() ? 1 : 0;
        counts.unacked += alarm.acked() ? 0 : 1;
        if (alarm.raisedMs > nowMs - kFloodWindowMs && alarm.raisedMs <= nowMs &&
            ++raised[alarm.vehicle] > kFloodAlarms) {
            counts.flood = true;
        }
    }
    return out;
}

bool AlarmBook::inFlood(const std::string& vehicle, std::int64_t nowMs) const {
    int raised = 0;
    for (const auto& [id, alarm] : alarms_) {
        if (alarm.vehicle == vehicle && alarm.raisedMs > nowMs - kFloodWindowMs && alarm.raisedMs <= nowMs)
            ++raised;
    }
    return raised > kFloodAlarms;
}

}  // namespace kova
