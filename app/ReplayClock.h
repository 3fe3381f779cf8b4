#pragma once

#include <chrono>
#include <cstdint>

namespace kova {

// The replay's position in the recorded time (ns since the Unix epoch) against the steady clock:
// it moves at `speed` times the real pace, stands still while paused, can be put anywhere, and never
// leaves the span [firstNs, lastNs] it plays. Every step of its arithmetic is bounded, so no recorded
// time can make it overflow. Plain value; the replayer guards it.
class ReplayClock {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr double kSlowest = 1.0 / 64;
    static constexpr double kFastest = 1024;

    ReplayClock(std::int64_t firstNs, std::int64_t lastNs, double speed, Clock::time_point now);

    // The recorded time reached at `now`, within the span.
    std::int64_t position(Clock::time_point now) const;
    // Whether the position has reached the span's end.
    bool atEnd(Clock::time_point now) const { return position(now) >= lastNs_; }
    // When an event recorded at `ns` is due; never while paused (time_point::max()).
    Clock::time_point dueAt(std::int64_t ns) const;

    // Each keeps the position reached at `now` and goes on from there.
    // Clamped to kSlowest..kFastest; returns false when `speed` lay beyond them.
    bool setSpeed(double speed, Clock::time_point now);
    void setPaused(bool paused, Clock::time_point now);
    // To `ns` moved by `byNs` (which may be negative), kept within the span.
    void moveTo(std::int64_t ns, Clock::time_point now, std::int64_t byNs = 0);

    double speed() const { return speed_; }
    bool paused() const { return paused_; }
    std::int64_t firstNs() const { return firstNs_; }
    std::int64_t lastNs() const { return lastNs_; }

private:
    std::int64_t within(long double ns) const;

    std::int64_t firstNs_;
    std::int64_t lastNs_;
    std::int64_t anchorNs_;
    Clock::time_point anchorAt_;
    double speed_;
    bool paused_ = false;
};

}  // namespace kova
