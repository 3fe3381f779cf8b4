#pragma once

#include <cstdint>
#include <random>

#include "sim/VelocityProfile.h"

namespace kova::sim {

// Random obstacles in front of a moving vehicle: now and then something makes the vehicle slow down
// or stop for a few seconds. Seeded, so a run can be repeated; can be switched off.
class ObstacleGenerator {
  public:
    ObstacleGenerator(std::uint32_t seed, bool enabled);

    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }
    // Advances by `dt` seconds; new obstacles appear only while the vehicle moves.
    void advance(double dt, bool moving);
    // Places an obstacle at once (tests, and the dictionary's obstacle object).
    void place(ObstacleLevel level, double seconds);

    ObstacleLevel level() const { return level_; }
    // The photo sensor sees what stops the vehicle.
    bool photoSensor() const {
        return level_ == ObstacleLevel::Stop || level_ == ObstacleLevel::EmergencyStop;
    }

  private:
    std::mt19937 random_;
    bool enabled_;
    ObstacleLevel level_ = ObstacleLevel::None;
    double left_ = 0.0;
    double meanInterval_ = 25.0;  // seconds of driving between obstacles, on average
};

}  // namespace kova::sim
