#include "app/ReplayClock.h"

#include <algorithm>

namespace kova {

namespace {

// No wait is planned further ahead than this: a later event is looked at again long before.
constexpr long double kLongestWaitNs = 24.0L * 3600 * 1e9;

}  // namespace

ReplayClock::ReplayClock(std::int64_t firstNs, std::int64_t lastNs, double speed, Clock::time_point now)
    : firstNs_(std::min(firstNs, lastNs)),
      lastNs_(std::max(firstNs, lastNs)),
      anchorNs_(firstNs_),
      anchorAt_(now),
      speed_(std::clamp(speed, kSlowest, kFastest)) {}

std::int64_t ReplayClock::within(long double ns) const {
    // long double holds every int64 exactly; the clamp comes before the conversion.
    return static_cast<std::int64_t>(
        std::clamp(ns, static_cast<long double>(firstNs_), static_cast<long double>(lastNs_)));
}

std::int64_t ReplayClock::position(Clock::time_point now) const {
    if (paused_ || now <= anchorAt_) {
        return anchorNs_;
    }
    const long double elapsed = std::chrono::duration<long double, std::nano>(now - anchorAt_).count();
    return within(static_cast<long double>(anchorNs_) + elapsed * speed_);
}

ReplayClock::Clock::time_point ReplayClock::dueAt(std::int64_t ns) const {
    if (paused_) {
        return Clock::time_point::max();
    }
    if (ns <= anchorNs_) {
        return anchorAt_;
    }
    const long double wait = (static_cast<long double>(ns) - anchorNs_) / speed_;
    if (wait > kLongestWaitNs) {
        return anchorAt_ + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<long double, std::nano>(kLongestWaitNs));
    }
    return anchorAt_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<long double, std::nano>(wait));
}

bool ReplayClock::setSpeed(double speed, Clock::time_point now) {
    anchorNs_ = position(now);
    anchorAt_ = now;
    speed_ = std::clamp(speed, kSlowest, kFastest);
    return speed_ == speed;
}

void ReplayClock::setPaused(bool paused, Clock::time_point now) {
    anchorNs_ = position(now);
    anchorAt_ = now;
    paused_ = paused;
}

void ReplayClock::moveTo(std::int64_t ns, Clock::time_point now, std::int64_t byNs) {
    anchorNs_ = within(static_cast<long double>(ns) + byNs);
    anchorAt_ = now;
}

}  // namespace kova
