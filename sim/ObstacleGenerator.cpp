#include "sim/ObstacleGenerator.h"

namespace kova::sim {

ObstacleGenerator::ObstacleGenerator(std::uint32_t seed, bool enabled) : random_(seed), enabled_(enabled) {}

void ObstacleGenerator::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) {
        level_ = ObstacleLevel::None;
        left_ = 0.0;
    }
}

void ObstacleGenerator::place(ObstacleLevel level, double seconds) {
    level_ = level;
    left_ = seconds;
}

void ObstacleGenerator::advance(double dt, bool moving) {
    if (level_ != ObstacleLevel::None) {
        left_ -= dt;
        if (left_ <= 0.0) {
            level_ = ObstacleLevel::None;
        }
        return;
    }
    if (!enabled_ || !moving) {
        return;
    }
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    if (chance(random_) >= dt / meanInterval_) {
        return;
    }
    std::uniform_real_distribution<double> duration(1.0, 4.0);
    place(chance(random_) < 0.7 ? ObstacleLevel::Slow : ObstacleLevel::Stop, duration(random_));
}

}  // namespace kova::sim
