#include "sim/VelocityProfile.h"

#include <algorithm>
#include <cmath>

namespace kova::sim {

namespace {

// Velocity changes smaller than this (mm/s per step) count as holding the velocity.
constexpr double kSteady = 1e-6;

}  // namespace

VelocityProfile::VelocityProfile(double distance, ProfileLimits limits, std::vector<SpeedZone> zones)
    : distance_(std::max(0.0, distance)), limits_(limits), zones_(std::move(zones)) {}

double VelocityProfile::zoneLimitAt(double position) const {
    double limit = limits_.maxVelocity;
    for (const auto& zone : zones_) {
        if (position >= zone.from && position < zone.to) {
            limit = std::min(limit, zone.limit);
        }
    }
    return limit;
}

// The highest velocity from which the vehicle can still brake in time for every slower zone ahead
// and for the start of the creep distance before the goal. `lookahead` is the way the vehicle covers
// before the next decision (one step), so that it is slow enough already when it crosses a limit.
double VelocityProfile::allowedVelocity(double lookahead) const {
    const double left = remaining();
    if (left <= limits_.creepDistance) {
        return limits_.creepVelocity;
    }
    const double brake = 2.0 * limits_.deceleration;
    double allowed = zoneLimitAt(position_);
    for (const auto& zone : zones_) {
        if (zone.from > position_) {
            const double gap = std::max(0.0, zone.from - position_ - lookahead);
            allowed = std::min(allowed, std::sqrt(zone.limit * zone.limit + brake * gap));
        }
    }
    const double creep = limits_.creepVelocity;
    const double gap = std::max(0.0, left - limits_.creepDistance - lookahead);
    return std::min(allowed, std::sqrt(creep * creep + brake * gap));
}

double VelocityProfile::cruiseVelocity() const {
    const double a = limits_.acceleration;
    const double d = limits_.deceleration;
    const double way = std::max(0.0, distance_ - limits_.creepDistance);
    const double creep = limits_.creepVelocity;
    const double peak = std::sqrt((2.0 * a * d * way + a * creep * creep) / (a + d));
    return std::min(limits_.maxVelocity, std::max(peak, std::min(creep, limits_.maxVelocity)));
}

void VelocityProfile::step(double dt, ObstacleLevel obstacle) {
    if (!started_ || finished() || dt <= 0.0) {
        acceleration_ = 0.0;
        target_ = 0.0;
        return;
    }
    double target = allowedVelocity(velocity_ * dt);
    double deceleration = limits_.deceleration;
    if (obstacle == ObstacleLevel::Slow) {
        target =
            std::min(target, std::max(limits_.creepVelocity, limits_.slowFactor * zoneLimitAt(position_)));
    } else if (obstacle == ObstacleLevel::Stop) {
        target = 0.0;
    } else if (obstacle == ObstacleLevel::EmergencyStop) {
        target = 0.0;
        deceleration = limits_.emergencyDeceleration;
    }
    const double previous = velocity_;
    if (velocity_ < target) {
        velocity_ = std::min(target, velocity_ + limits_.acceleration * dt);
    } else {
        velocity_ = std::max(target, velocity_ - deceleration * dt);
    }
    target_ = target;
    acceleration_ = (velocity_ - previous) / dt;
    const double advance = 0.5 * (previous + velocity_) * dt;
    if (advance >= remaining()) {
        // The goal is within this step: stand exactly on it.
        position_ = distance_;
        velocity_ = 0.0;
        target_ = 0.0;
        phase_ = VelocityPhase::Finish;
        return;
    }
    position_ += advance;
    phase_ = phaseFor(previous, obstacle);
}

VelocityPhase VelocityProfile::phaseFor(double previousVelocity, ObstacleLevel obstacle) const {
    const bool creeping = remaining() <= limits_.creepDistance;
    if (obstacle == ObstacleLevel::Stop || obstacle == ObstacleLevel::EmergencyStop) {
        return creeping ? VelocityPhase::StopCreep : VelocityPhase::Stop;
    }
    if (obstacle == ObstacleLevel::Slow) {
        return creeping ? VelocityPhase::SlowCreep : VelocityPhase::Slow;
    }
    if (creeping) {
        return VelocityPhase::Creep;
    }
    const double change = velocity_ - previousVelocity;
    if (change > kSteady) {
        return VelocityPhase::Accel;
    }
    if (change < -kSteady) {
        return VelocityPhase::Decel;
    }
    return VelocityPhase::Constant;
}

}  // namespace kova::sim
