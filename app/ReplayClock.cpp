#include "app/ReplayClock.h"

#include <algorithm>

namespace kova {

ReplayClock::ReplayClock(std::int64_t startNs, double speed, Clock::time_point now)
    : anchorNs_(startNs), anchorAt_(now), speed_(std::clamp(speed, kSlowest, kFastest)) {}

std::int64_t ReplayClock::position(Clock::time_point now) const {
    if (paused_ || now <= anchorAt_) {
        return anchorNs_;
    }
    const double elapsed = std::chrono::duration<double, std::nano>(now - anchorAt_).count();
    return anchorNs_ + static_cast<std::int64_t>(elapsed * speed_);
}

ReplayClock::Clock::time_point ReplayClock::dueAt(std::int64_t ns) const {
    if (paused_) {
        return Clock::time_point::max();
    }
    if (ns <= anchorNs_) {
        return anchorAt_;
    }
    const double wait = static_cast<double>(ns - anchorNs_) / speed_;
    return anchorAt_ +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::nano>(wait));
}

void ReplayClock::setSpeed(double speed, Clock::time_point now) {
    anchorNs_ = position(now);
    anchorAt_ = now;
    speed_ = std::clamp(speed, kSlowest, kFastest);
}

void ReplayClock::setPaused(bool paused, Clock::time_point now) {
    anchorNs_ = position(now);
    anchorAt_ = now;
    paused_ = paused;
}

void ReplayClock::moveTo(std::int64_t ns, Clock::time_point now) {
    anchorNs_ = ns;
    anchorAt_ = now;
}

}  // namespace kova
