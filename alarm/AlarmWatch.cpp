#include "alarm/AlarmWatch.h"

#include "base/TextCells.h"
#include "monitor/StatusHandler.h"
#include "protocol/ObjectIndex.h"

#include <cctype>
#include <ctime>

namespace kova {

bool isAlarmMessage(std::string_view indexText) {
    std::size_t i = 0;
    while (i < indexText.size() && std::isspace(static_cast<unsigned char>(indexText[i]))) {
        ++i;
    }
    if (i < indexText.size() && indexText[i] == '+') {
        ++i;
    }
    long value = 0;
    std::size_t digits = 0;
    for (; i < indexText.size() && std::isdigit(static_cast<unsigned char>(indexText[i])); ++i, ++digits) {
        value = value * 10 + (indexText[i] - '0');
        if (value > protocol::object::kAlarmWarning) {
            return false;
        }
    }
    return digits > 0 && (value == protocol::object::kAlarmFault || value == protocol::object::kAlarmWarning);
}

AlarmWatch::AlarmWatch(const std::string& path) : keepFile_(!path.empty()) {
    if (keepFile_ && !journal_.open(path, book_)) {
        fileError_ = journal_.error();
    }
}

AlarmWatch::~AlarmWatch() {
    {
        std::lock_guard<std::mutex> lock(writerMutex_);
        stopping_ = true;
    }
    writerWake_.notify_all();
    if (writer_.joinable()) {
        writer_.join();
    }
    tick();
}

void AlarmWatch::startWriter(std::chrono::milliseconds interval) {
    writer_ = std::thread([this, interval] {
        // Another console's acknowledgements are looked for about once a second, not every tick:
        // an idle console then costs next to nothing.
        const long lookEvery = std::max(1L, static_cast<long>(1000 / std::max(1L, static_cast<long>(interval.count()))));
        long ticks = 0;
        std::unique_lock<std::mutex> lock(writerMutex_);
        while (!writerWake_.wait_for(lock, interval, [this] { return stopping_; })) {
            lock.unlock();
            tick(++ticks % lookEvery == 0);
            lock.lock();
        }
    });
}

void AlarmWatch::observeMessage(const std::string& vehicle, std::string_view indexText, std::string_view valuesText,
                                const StatusStore& store, std::int64_t nowMs) {
    if (!isAlarmMessage(indexText)) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    Seen& seen = seenLocked(vehicle);
    StatusRecord after = seen.record;
    handleStatusMessage(indexText, valuesText, after);
    if (after.alarmWarning == seen.record.alarmWarning && after.alarmFault == seen.record.alarmFault) {
        return;
    }
    std::vector<AlarmEvent> events = alarmEvents(seen.record, after, vehicle, nowMs);
    const AlarmContext context = alarmContext(store.snapshot());
    for (AlarmEvent& event : events) {
        event.context = context;
    }
    seen.record.alarmWarning = after.alarmWarning;
    seen.record.alarmFault = after.alarmFault;
    applyLocked(events);
}

void AlarmWatch::observeLink(const std::string& vehicle, bool silent, const StatusStore& store,
                             std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Seen& seen = seenLocked(vehicle);
    if (silent == seen.silent) {
        return;
    }
    seen.silent = silent;
    applyLocked({linkEvent(store.snapshot(), vehicle, nowMs, silent)});
}

std::vector<AlarmEvent> AlarmWatch::observe(const std::string& vehicle, const StatusRecord& record,
                                            const LinkState& link, std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Seen& seen = seenLocked(vehicle);
    std::vector<AlarmEvent> events = alarmEvents(seen.record, record, vehicle, nowMs);
    const bool silent = link.kind == LinkState::Kind::Silent;
    if (silent != seen.silent) {
        events.push_back(linkEvent(record, vehicle, nowMs, silent));
    }
    seen.record = record;
    seen.silent = silent;
    applyLocked(events);
    return events;
}

AlarmWatch::Seen& AlarmWatch::seenLocked(const std::string& vehicle) {
    auto found = seen_.find(vehicle);
    if (found != seen_.end()) {
        return found->second;
    }
    // A vehicle first seen in this run starts from what the journal has standing for it (left by
    // the run before, or by another console): a code still there is the same alarm, not a new
    // one, and one gone meanwhile is cleared by the first message that shows its slot.
    Seen& seen = seen_[vehicle];
    const std::vector<Alarm> alarms = book_.journal(vehicle);
    for (auto it = alarms.rbegin(); it != alarms.rend(); ++it) {
        if (!it->active() || it->slot < 0 || it->slot > 1) {
            continue;
        }
        const auto slot = static_cast<std::size_t>(it->slot);
        if (it->kind == AlarmKind::Warning) {
            seen.record.alarmWarning[slot] = it->code;
        } else if (it->kind == AlarmKind::Fault) {
            seen.record.alarmFault[slot] = it->code;
        } else {
            seen.silent = true;
        }
    }
    return seen;
}

void AlarmWatch::restart() {
    std::lock_guard<std::mutex> lock(mutex_);
    book_.clear();
    seen_.clear();
    ++changes_;
}

void AlarmWatch::applyLocked(const std::vector<AlarmEvent>& events) {
    for (const AlarmEvent& event : events) {
        if (const Alarm* alarm = book_.apply(event)) {
            ++changes_;
            queueLocked(JournalWrite{event.raised ? JournalWrite::What::Raise : JournalWrite::What::Clear, event,
                                     *alarm});
        }
    }
}

void AlarmWatch::queueLocked(JournalWrite write) {
    if (!keepFile_ || !journal_.isOpen()) {
        return;  // in memory by design, or no file to write: the title says so
    }
    if (pending_.size() >= kMaxPending) {
        pending_.erase(pending_.begin());
        ++lostWrites_;
    }
    pending_.push_back(std::move(write));
}

void AlarmWatch::tick(bool look) {
    std::lock_guard<std::mutex> fileLock(fileMutex_);
    if (!journal_.isOpen()) {
        return;
    }
    std::vector<JournalWrite> batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch.swap(pending_);
    }
    if (!batch.empty()) {
        std::vector<std::pair<std::int64_t, std::int64_t>> renumbered;
        const bool written = journal_.write(batch, renumbered);
        std::lock_guard<std::mutex> lock(mutex_);
        if (!written) {
            // Kept, in order, before whatever came in meanwhile, for the next tick.
            ++failedWrites_;
            fileError_ = journal_.error();
            batch.insert(batch.end(), std::make_move_iterator(pending_.begin()),
                         std::make_move_iterator(pending_.end()));
            pending_.swap(batch);
            if (pending_.size() > kMaxPending) {
                lostWrites_ += pending_.size() - kMaxPending;
                pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(pending_.size() - kMaxPending));
            }
            return;
        }
        fileError_.clear();
        for (const auto& [from, to] : renumbered) {
            book_.renumber(from, to);
            for (JournalWrite& waiting : pending_) {
                if (waiting.alarm.id == from) {
                    waiting.alarm.id = to;
                }
            }
            ++changes_;
        }
    }
    if (!reloadWanted_ && (!look || !journal_.changedElsewhere())) {
        return;
    }
    std::vector<Alarm> alarms;
    try {
        alarms = journal_.readAlarms();
    } catch (const std::exception&) {
        reloadWanted_ = true;
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    // Ids of changes still waiting are this console's own guesses: the file's rows wait for them.
    reloadWanted_ = !pending_.empty();
    if (reloadWanted_) {
        return;
    }
    for (const Alarm& alarm : alarms) {
        book_.restore(alarm);
    }
    ++changes_;
}

void AlarmWatch::queueAckLocked(const Alarm& alarm) {
    AlarmEvent event;
    event.timeMs = alarm.ackedMs;
    event.vehicle = alarm.vehicle;
    event.context = alarm.context;
    queueLocked(JournalWrite{JournalWrite::What::Ack, event, alarm});
}

std::string AlarmWatch::ack(std::int64_t id, const std::string& operatorName, std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!book_.ack(id, operatorName, nowMs)) {
        return "Nothing to acknowledge";
    }
    ++changes_;
    queueAckLocked(*book_.find(id));
    return "Alarm " + std::to_string(id) + " acknowledged by " + operatorName;
}

std::string AlarmWatch::ackAll(const std::string& vehicle, const std::string& operatorName, std::int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::vector<std::int64_t> ids = book_.ackAll(vehicle, operatorName, nowMs);
    if (ids.empty()) {
        return "Nothing to acknowledge";
    }
    ++changes_;
    for (std::int64_t id : ids) {
        queueAckLocked(*book_.find(id));
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
    if (!fileError_.empty()) {
        text += (text.empty() ? "" : "  ") + std::string("journal not saved: ") + fileError_;
        if (lostWrites_ > 0) {
            text += " (" + std::to_string(lostWrites_) + " changes lost)";
        }
    }
    return text;
}

AlarmCounts AlarmWatch::counts(const std::string& vehicle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return book_.counts(vehicle);
}

bool AlarmWatch::inFlood(const std::string& vehicle, std::int64_t nowMs) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return book_.inFlood(vehicle, nowMs);
}

std::map<std::string, AlarmCounts> AlarmWatch::byVehicle(std::int64_t nowMs) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return book_.byVehicle(nowMs);
}

std::uint64_t AlarmWatch::changes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return changes_;
}

std::string AlarmWatch::fileError() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fileError_;
}

std::uint64_t AlarmWatch::failedWrites() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failedWrites_;
}

std::size_t AlarmWatch::pendingWrites() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_.size();
}

std::uint64_t AlarmWatch::lostWrites() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lostWrites_;
}

std::string alarmLine(const Alarm& alarm, bool withVehicle) {
    const std::time_t seconds = static_cast<std::time_t>(alarm.raisedMs / 1000);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
    std::string line = std::string(when) + " #" + std::to_string(alarm.id) + " ";
    if (withVehicle) {
        line += displayText(alarm.vehicle) + " ";
    }
    line += std::string(alarmStateName(alarm.state())) + " " + alarmKindName(alarm.kind);
    if (alarm.kind != AlarmKind::LinkSilent) {
        line += " " + std::to_string(alarm.slot + 1) + " " + displayText(alarm.code);
    }
    if (alarm.acked()) {
        line += " (ack " + displayText(alarm.ackedBy) + ")";
    }
    return line;
}

}  // namespace kova
