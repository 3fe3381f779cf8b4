#pragma once

#include <vector>

#include "protocol/StateCodes.h"

namespace kova::sim {

// Phase of the velocity profile, numbered as the controller publishes it.
using protocol::VelocityPhase;

// What an obstacle sensor asks of the drive, numbered as the controller publishes it.
using protocol::ObstacleLevel;

// Limits of one profile (mm, mm/s, mm/s^2).
struct ProfileLimits {
    double maxVelocity = 3000.0;
    double acceleration = 1000.0;
    double deceleration = 1000.0;
    double creepVelocity = 60.0;
    double creepDistance = 40.0;  // the last part of the way, driven at creep velocity
    double slowFactor = 0.3;      // share of the allowed velocity while an obstacle asks to slow down
    double emergencyDeceleration = 4000.0;
};

// A stretch of the way with a lower velocity limit (distances from the start, mm).
struct SpeedZone {
    double from = 0.0;
    double to = 0.0;
    double limit = 0.0;
};

// Drives a given distance: accelerate, hold, brake ahead of slower zones and of the goal, creep the
// last few millimetres and stop exactly on the goal. Time advances only through step(), so the
// profile runs the same whatever the real clock does.
class VelocityProfile {
public:
    VelocityProfile(double distance, ProfileLimits limits, std::vector<SpeedZone> zones = {});

    // Leaves the Before phase; until then step() keeps the vehicle standing.
    void start() { started_ = true; }
    // Advances by `dt` seconds of simulated time.
    void step(double dt, ObstacleLevel obstacle = ObstacleLevel::None);

    double distance() const { return distance_; }
    double position() const { return position_; }
    double remaining() const { return distance_ - position_; }
    double velocity() const { return velocity_; }
    double targetVelocity() const { return target_; }
    double acceleration() const { return acceleration_; }
    VelocityPhase phase() const { return phase_; }
    bool finished() const { return phase_ == VelocityPhase::Finish; }
    // The highest velocity the profile can reach on this distance (its "constant" velocity).
    double cruiseVelocity() const;

private:
    double allowedVelocity(double lookahead) const;
    double zoneLimitAt(double position) const;
    VelocityPhase phaseFor(double previousVelocity, ObstacleLevel obstacle) const;

    double distance_;
    ProfileLimits limits_;
    std::vector<SpeedZone> zones_;
    bool started_ = false;
    double position_ = 0.0;
    double velocity_ = 0.0;
    double target_ = 0.0;
    double acceleration_ = 0.0;
    VelocityPhase phase_ = VelocityPhase::Before;
};

}  // namespace kova::sim
