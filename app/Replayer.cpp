#include "app/Replayer.h"

#include <ctime>
#include <variant>

#include "base/TextCells.h"

namespace kova {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kEarly{10};

// The request and what came of it, as the output field can show it.
std::string requestText(const record::RequestEvent& request) {
    std::string shown = request.verb + " " + request.body + " -> ";
    switch (request.outcome.kind) {
        case record::RequestOutcome::Kind::Replied:
            shown += request.verb + " " + (request.replyFrames.size() > 1 ? request.replyFrames[1] : "");
            break;
        case record::RequestOutcome::Kind::NoResponse:
            shown += "no response";
            break;
        case record::RequestOutcome::Kind::Error:
            shown += request.outcome.errorText;
            break;
    }
    return displayText(shown);
}

}  // namespace

std::string localTime(std::int64_t ns) {
    const std::time_t seconds = static_cast<std::time_t>(ns / 1'000'000'000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    return when;
}

Replayer::Replayer(std::shared_ptr<record::RecordReader> reader, std::size_t session, double speed,
                   LogWindow& log, CommandWindow& command)
    : reader_(std::move(reader)),
      session_(session),
      log_(log),
      command_(command),
      clock_(reader_->span() ? reader_->span()->firstNs : 0, reader_->span() ? reader_->span()->lastNs : 0, speed,
             Clock::now()) {
    damaged_ = reader_->damagedRows();
    if (session_ < reader_->sessions().size()) {
        for (const record::VehicleInfo& info : reader_->sessions()[session_].info.vehicles) {
            vehicleIndex_.emplace(info.name, vehicles_.size());
            vehicles_.push_back(Vehicle{info, std::make_unique<StatusStore>(),
                                        std::make_unique<std::atomic<std::int64_t>>(kNoStatus)});
        }
    }
}

void Replayer::playAlone(const std::string& name) {
    alone_ = name;
}

ControllerAddress Replayer::vehicleAddress(std::size_t i) const {
    const record::VehicleInfo& info = vehicles_[i].info;
    return ControllerAddress{info.name, info.host, info.basePort};
}

void Replayer::open(std::size_t i) {
    open_ = i;
}

bool Replayer::shown(const std::string& vehicle) const {
    return !fleet() || vehicle.empty() || vehicle == vehicles_[open_.load()].info.name;
}

LinkState Replayer::vehicleLink(std::size_t i) {
    std::lock_guard<std::mutex> lock(mutex_);
    return linkAt(vehicles_[i].newestNs->load(), Clock::now());
}

ControllerAddress Replayer::recordedController() const {
    if (session_ >= reader_->sessions().size()) {
        return ControllerAddress{"replay", "replay", 0};
    }
    if (!vehicles_.empty()) {
        const auto alone = vehicleIndex_.find(alone_);
        return vehicleAddress(alone != vehicleIndex_.end() ? alone->second : open_.load());
    }
    const record::SessionInfo& info = reader_->sessions()[session_].info;
    return ControllerAddress{info.connectionName, info.host, info.basePort};
}

std::string Replayer::sessionText() const {
    if (session_ >= reader_->sessions().size()) {
        return {};
    }
    return "session " + std::to_string(session_ + 1) + " of " + std::to_string(reader_->sessions().size()) +
           ", started " + localTime(reader_->sessions()[session_].startNs);
}

void Replayer::wake() {
    std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
}

Replayer::Key Replayer::takeKey(int key) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    switch (key) {
        case ' ':
            clock_.setPaused(!clock_.paused(), now);
            break;
        case '+':
            speedLimit_ = clock_.setSpeed(clock_.speed() * 2, now) ? "" : "max";
            break;
        case '-':
            speedLimit_ = clock_.setSpeed(clock_.speed() / 2, now) ? "" : "min";
            break;
        case KEY_RIGHT:
            jumpTo_ = clock_.position(now);
            jumpBy_ = kJumpNs;
            break;
        case KEY_LEFT:
            jumpTo_ = clock_.position(now);
            jumpBy_ = -kJumpNs;
            break;
        case 'q':
            return Key::Quit;
        default:
            return Key::NotMine;
    }
    changed_.notify_all();
    return Key::Taken;
}

std::string Replayer::titleText() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text = "replay ";
    if (reader_->sessions().size() > 1) {
        text += "session " + std::to_string(session_ + 1) + "/" + std::to_string(reader_->sessions().size()) + " ";
    }
    char speed[24];
    std::snprintf(speed, sizeof speed, " x%g", clock_.speed());
    text += localTime(clock_.position(Clock::now())) + speed;
    if (*speedLimit_ != '\0') {
        text += std::string(" ") + speedLimit_;
    }
    if (ended_) {
        text += " ended";
    } else if (clock_.paused()) {
        text += " paused";
    }
    if (const std::uint64_t damaged = damaged_.load()) {
        text += ", " + std::to_string(damaged) + " damaged rows skipped";
    }
    return text;
}

LinkState Replayer::linkState() {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::int64_t newest = fleet() ? vehicles_[open_.load()].newestNs->load() : newestStatusNs_.load();
    return linkAt(newest, Clock::now());
}

LinkState Replayer::linkAt(std::int64_t newest, Clock::time_point now) const {
    LinkState state;
    // At the end the clock stands still as well: the newest values are not a stream that goes on.
    if (clock_.paused() || ended_) {
        state.kind = LinkState::Kind::Paused;
        return state;
    }
    if (newest == kNoStatus) {
        return state;
    }
    // Both times lie within the session's span, so the difference cannot overflow.
    const std::int64_t age = std::max<std::int64_t>(0, clock_.position(now) - newest);
    const std::int64_t liveNs = std::chrono::duration_cast<std::chrono::nanoseconds>(LinkState::kLiveFor).count();
    if (age < liveNs) {
        state.kind = LinkState::Kind::Live;
    } else {
        state.kind = LinkState::Kind::Silent;
        state.silentSeconds = static_cast<long>(age / 1'000'000'000);
    }
    return state;
}

void Replayer::rewind() {
    store_.reset();
    newestStatusNs_ = kNoStatus;
    for (Vehicle& vehicle : vehicles_) {
        vehicle.store->reset();
        *vehicle.newestNs = kNoStatus;
    }
    log_.startOver();
    command_.showText("");
    reader_->seek(clock_.firstNs());
}

void Replayer::play(const record::RecordedEvent& event) {
    played_.fetch_add(1, std::memory_order_relaxed);
    if (const auto* status = std::get_if<record::StatusEvent>(&event.detail); status && fleet()) {
        const auto found = vehicleIndex_.find(event.vehicle);
        if (found != vehicleIndex_.end() && status->frames.size() >= 2) {
            Vehicle& vehicle = vehicles_[found->second];
            vehicle.store->noteArrival();
            *vehicle.newestNs = event.ns;
            if (fleetStatusPlayed_) {
                fleetStatusPlayed_(event.ns, found->second, status->frames);
            }
            vehicle.store->store(status->frames[0], status->frames[1]);
        }
    } else if (!shown(event.vehicle)) {
        // A log line or request of a vehicle of the fleet that is not open: not on its windows.
    } else if (status) {
        store_.noteArrival();
        newestStatusNs_ = event.ns;
        if (statusPlayed_) {
            statusPlayed_(event.ns, status->frames);
        }
        if (status->frames.size() >= 2) {
            store_.store(status->frames[0], status->frames[1]);
        }
    } else if (const auto* line = std::get_if<record::LogEvent>(&event.detail)) {
        log_.replayLine(line->lineNumber, line->text);
    } else if (const auto* request = std::get_if<record::RequestEvent>(&event.detail)) {
        command_.showReply(requestText(*request));
        command_.draw();  // nothing else refreshes the command line in a replay
    } else if (const auto* gap = std::get_if<record::GapEvent>(&event.detail)) {
        // On the command line, not in the log window: a line there would take a number of the
        // recorded lines.
        command_.showReply("recording gap: " + std::to_string(gap->count) + " " +
                           record::streamName(gap->stream) + " messages dropped");
        command_.draw();
    }
}

void Replayer::run(const std::atomic<bool>& running) {
    reader_->seek(clock_.firstNs());
    std::optional<record::RecordedEvent> pending;
    std::optional<std::int64_t> catchUpTo;  // events up to here play at once
    bool failed = false;                    // the file could not be read on
    bool playedSinceFlush = false;
    while (running) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (jumpTo_) {
                const Clock::time_point now = Clock::now();
                const std::int64_t from = clock_.position(now);
                clock_.moveTo(*jumpTo_, now, jumpBy_);
                const std::int64_t target = clock_.position(now);
                const bool back = target < from;
                jumpTo_.reset();
                ended_ = false;
                lock.unlock();
                if (back) {
                    rewind();
                    pending.reset();
                    failed = false;
                }
                catchUpTo = target;
                continue;
            }
        }
        if (!pending && !failed) {
            try {
                pending = reader_->next();
                damaged_ = reader_->damagedRows();
            } catch (const record::RecordError& failure) {
                // SQLite cannot read on (the file changed under the replay): what was played stays.
                failed = true;
                command_.showReply(displayText(failure.what()));
                command_.draw();
            }
        }
        if (!pending) {
            log_.flushScreen();
            std::unique_lock<std::mutex> lock(mutex_);
            ended_ = true;
            catchUpTo.reset();
            changed_.wait_for(lock, std::chrono::milliseconds(200),
                              [&] { return jumpTo_.has_value() || !running; });
            continue;
        }
        if (catchUpTo && pending->ns <= *catchUpTo) {
            play(*pending);
            pending.reset();
            continue;
        }
        catchUpTo.reset();
        std::unique_lock<std::mutex> lock(mutex_);
        const Clock::time_point due = clock_.dueAt(pending->ns);
        // Events due within kEarly play now: the screen shows them no sooner than its next redraw,
        // and a fast replay then sleeps once per batch rather than once per event.
        if (due > Clock::now() + kEarly) {
            lock.unlock();
            if (playedSinceFlush) {
                log_.flushScreen();  // what was played so far shows while the replay waits
                playedSinceFlush = false;
            }
            lock.lock();
            // Woken early by a key, a stop, or every 200 ms to look at the flags.
            changed_.wait_until(lock, std::min(due - kEarly, Clock::now() + std::chrono::milliseconds(200)));
            continue;
        }
        lock.unlock();
        play(*pending);
        pending.reset();
        playedSinceFlush = true;
    }
}

}  // namespace kova
