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

Replayer::Replayer(std::shared_ptr<record::RecordReader> reader, double speed, LogWindow& log,
                   CommandWindow& command)
    : reader_(std::move(reader)), log_(log), command_(command), clock_(0, speed, Clock::now()) {
    if (const auto& span = reader_->span()) {
        firstNs_ = span->firstNs;
        lastNs_ = span->lastNs;
    }
    clock_.moveTo(firstNs_, Clock::now());
}

ControllerAddress Replayer::recordedController() const {
    if (reader_->sessions().empty()) {
        return ControllerAddress{"replay", "replay", 0};
    }
    const record::SessionInfo& info = reader_->sessions().front().info;
    return ControllerAddress{info.connectionName, info.host, info.basePort};
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
            clock_.setSpeed(clock_.speed() * 2, now);
            break;
        case '-':
            clock_.setSpeed(clock_.speed() / 2, now);
            break;
        case KEY_RIGHT:
            jumpTo_ = std::min(lastNs_, clock_.position(now) + kJumpNs);
            break;
        case KEY_LEFT:
            jumpTo_ = std::max(firstNs_, clock_.position(now) - kJumpNs);
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
    const std::int64_t position = clock_.position(Clock::now());
    const std::time_t seconds = static_cast<std::time_t>(position / 1'000'000'000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    char speed[16];
    std::snprintf(speed, sizeof speed, "x%g", clock_.speed());
    std::string text = std::string("replay ") + when + " " + speed;
    if (ended_) {
        text += " ended";
    } else if (clock_.paused()) {
        text += " paused";
    }
    return text;
}

void Replayer::rewind() {
    store_.reset();
    log_.startOver();
    command_.showText("");
    reader_->seek(firstNs_);
}

void Replayer::play(const record::RecordedEvent& event) {
    played_.fetch_add(1, std::memory_order_relaxed);
    if (const auto* status = std::get_if<record::StatusEvent>(&event.detail)) {
        store_.noteArrival();
        if (status->frames.size() >= 2) {
            store_.store(status->frames[0], status->frames[1]);
        }
    } else if (const auto* line = std::get_if<record::LogEvent>(&event.detail)) {
        log_.replayLine(line->lineNumber, line->text);
    } else if (const auto* request = std::get_if<record::RequestEvent>(&event.detail)) {
        command_.showReply(requestText(*request));
        command_.draw();  // nothing else refreshes the command line in a replay
    } else if (const auto* gap = std::get_if<record::GapEvent>(&event.detail)) {
        log_.print("recording gap: " + std::to_string(gap->count) + " " + record::streamName(gap->stream) +
                   " messages dropped");
    }
}

void Replayer::run(const std::atomic<bool>& running) {
    reader_->seek(firstNs_);
    std::optional<record::RecordedEvent> pending;
    std::optional<std::int64_t> catchUpTo;  // events up to here play at once
    bool playedSinceFlush = false;
    while (running) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (jumpTo_) {
                const std::int64_t target = *jumpTo_;
                const bool back = target < clock_.position(Clock::now());
                jumpTo_.reset();
                clock_.moveTo(target, Clock::now());
                ended_ = false;
                lock.unlock();
                if (back) {
                    rewind();
                    pending.reset();
                }
                catchUpTo = target;
                continue;
            }
        }
        if (!pending) {
            pending = reader_->next();
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
