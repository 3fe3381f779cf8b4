#include "alarm/AlarmWatch.h"

#include "base/TextCells.h"

#include <ctime>

namespace kova {

AlarmWatch::AlarmWatch(const std::string& path) {
    journal_.open(path, book_);
}

std::vector<AlarmEvent> AlarmWatch::observe(const std::string& vehicle, const StatusRecord& record,
                                            const LinkState& link, std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Seen& seen = seen_[vehicle];
    std::vector<AlarmEvent> events = alarmEvents(seen.record, record, vehicle, nowMs);
    const bool silent = link.kind == LinkState::Kind::Silent;
    if (silent != seen.silent) {
        events.push_back(linkEvent(record, vehicle, nowMs, silent));
    }
    seen.record = record;
    seen.silent = silent;
    for (const AlarmEvent& event : events) {
        if (event.raised) {
            book_.reserveIdsFrom(journal_.nextFreeId());
        }
        if (const Alarm* alarm = book_.apply(event)) {
            journal_.record(event, *alarm);
        }
    }
    return events;
}

std::string AlarmWatch::ack(std::int64_t id, const std::string& operatorName, std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!book_.ack(id, operatorName, nowMs)) {
        return "Nothing to acknowledge";
    }
    journal_.recordAck(*book_.find(id));
    return "Alarm " + std::to_string(id) + " acknowledged by " + operatorName;
}

std::string AlarmWatch::ackAll(const std::string& vehicle, const std::string& operatorName,
                               std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::vector<std::int64_t> ids = book_.ackAll(vehicle, operatorName, nowMs);
    if (ids.empty()) {
        return "Nothing to acknowledge";
    }
    for (std::int64_t id : ids) {
        journal_.recordAck(*book_.find(id));
    }
    return std::to_string(ids.size()) + " alarms acknowledged by " + operatorName;
}

std::vector<Alarm> AlarmWatch::journal(const std::string& vehicle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return book_.journal(vehicle);
}

std::string AlarmWatch::titleText(const std::string& vehicle, std::int64_t nowMs) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text;
    const AlarmCounts counts = book_.counts(vehicle);
    if (counts.active > 0 || counts.unacked > 0) {
        text = "alarms: " + std::to_string(counts.active) + " active, " + std::to_string(counts.unacked) +
               " unacked";
    }
    if (book_.inFlood(vehicle, nowMs)) {
        text += text.empty() ? "alarm flood" : ", flood";
    }
    if (!journal_.error().empty()) {
        text += (text.empty() ? "" : "  ") + std::string("journal not saved: ") + journal_.error();
    }
    return text;
}

std::uint64_t AlarmWatch::failedWrites() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return journal_.failedWrites();
}

AlarmCounts AlarmWatch::counts(const std::string& vehicle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return book_.counts(vehicle);
}

std::string alarmLine(const Alarm& alarm) {
    const std::time_t seconds = static_cast<std::time_t>(alarm.raisedMs / 1000);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
    std::string line = std::string(when) + " #" + std::to_string(alarm.id) + " " +
                       alarmStateName(alarm.state()) + " " + alarmKindName(alarm.kind);
    if (alarm.kind != AlarmKind::LinkSilent) {
        line += " " + std::to_string(alarm.slot + 1) + " " + displayText(alarm.code);
    }
    if (alarm.acked()) {
        line += " (ack " + displayText(alarm.ackedBy) + ")";
    }
    return line;
}

}  // namespace kova
