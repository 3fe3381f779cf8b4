#pragma once

#include <chrono>
#include <cstdint>

namespace kova {

// The replay's position in the recorded time (ns since the Unix epoch) against the steady clock:
// it moves at `speed` times the real pace, stands still while paused, and can be put anywhere. Plain
// value; the replayer guards it.
class ReplayClock {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr double kSlowest = 1.0 / 64;
    static constexpr double kFastest = 1024;

    ReplayClock(std::int64_t startNs, double speed, Clock::time_point now);

    // The recorded time reached at `now`.
    std::int64_t position(Clock::time_point now) const;
    // When an event recorded at `ns` is due; never while paused (time_point::max()).
    Clock::time_point dueAt(std::int64_t ns) const;

    // Each keeps the position reached at `now` and goes on from there.
    void setSpeed(double speed, Clock::time_point now);  // clamped to kSlowest..kFastest
    void setPaused(bool paused, Clock::time_point now);
    void moveTo(std::int64_t ns, Clock::time_point now);

    double speed() const { return speed_; }
    bool paused() const { return paused_; }

private:
    std::int64_t anchorNs_;
    Clock::time_point anchorAt_;
    double speed_;
    bool paused_ = false;
};

}  // namespace kova
