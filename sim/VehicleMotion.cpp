#include "sim/VehicleMotion.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kova::sim {

VehicleMotion::VehicleMotion(const TrackMap& map, const TrackSegment& start, double jogVelocity,
                             double jogAcceleration)
    : map_(map),
      jogVelocity_(jogVelocity),
      jogAcceleration_(jogAcceleration),
      location_{start.id, 0.0},
      currentPo_(start.from) {}

bool VehicleMotion::advanceJog(double dt, bool allowed, EventLog& log) {
    const double target = allowed ? jogDirection_ * jogVelocity_ : 0.0;
    const double previous = velocity_;
    const double change = jogAcceleration_ * dt;
    velocity_ = std::clamp(target, previous - change, previous + change);
    targetVelocity_ = target;
    acceleration_ = (velocity_ - previous) / dt;
    const double moved = 0.5 * (previous + velocity_) * dt;
    if (moved == 0.0) {
        return false;
    }
    const Movement movement = moveAlong(map_, location_, moved);
    location_ = movement.location;
    odometer_ += moved;
    runDistance_ += std::abs(moved);
    reachPoints(movement.pointsReached, log);
    if (movement.blocked) {
        velocity_ = 0.0;
        jogDirection_ = 0;
    }
    return movement.blocked;
}

void VehicleMotion::follow(const RouteDriver& route, double moved) {
    const VelocityProfile& profile = route.profile();
    odometer_ += moved;
    runDistance_ += moved;
    location_ = route.location();
    velocity_ = profile.velocity();
    targetVelocity_ = profile.targetVelocity();
    acceleration_ = profile.acceleration();
}

void VehicleMotion::halt() {
    velocity_ = 0.0;
    targetVelocity_ = 0.0;
    acceleration_ = 0.0;
    jogDirection_ = 0;
}

void VehicleMotion::stop() {
    velocity_ = 0.0;
    targetVelocity_ = 0.0;
}

void VehicleMotion::reachPoints(const std::vector<int>& points, EventLog& log) {
    for (int point : points) {
        if (point != currentPo_) {
            log.add("passed po " + std::to_string(point), true);
        }
        currentPo_ = point;
    }
}

}  // namespace kova::sim
