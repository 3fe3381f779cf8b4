// The vehicle's time: each step advances the parts in a fixed order and carries out what they
// mean for each other (the brake grabs when the drives fail, an obstacle raises a warning, the
// route's position becomes the vehicle's).
#include "sim/VehicleModel.h"

#include "sim/VehicleReadout.h"

namespace kova::sim {

namespace {

constexpr double kStartUpTime = 0.6;     // StartUp until the device is opened, s
constexpr double kDeviceOpenTime = 0.5;  // at least this long in DeviceOpened, s

const TrackSegment& startSegment(const TrackMap& map, int id) {
    const TrackSegment* start = map.segment(id);
    return start != nullptr ? *start : map.segments().front();
}

}  // namespace

VehicleModel::VehicleModel(ModelSettings settings)
    : settings_(settings),
      map_(builtInTrackMap()),
      motion_(map_, startSegment(map_, settings.startSegment), settings.jogVelocity,
              settings.jogAcceleration),
      route_(map_, settings.limits),
      obstacles_(settings.seed, settings.obstacles),
      telemetry_(settings.seed ^ 0x9e3779b9U) {
    events_.add("controller started, vehicle at po " + std::to_string(motion_.currentPoint()));
}

VehicleStatus VehicleModel::readout() const {
    return VehicleReadout(*this).status();
}

int VehicleModel::operationStatus() const {
    return VehicleReadout(*this).operationStatus();
}

void VehicleModel::advance(double dt) {
    if (!(dt > 0.0)) {
        return;
    }
    time_ += dt;
    events_.setTime(time_);
    stateTime_ += dt;
    drives_.advance(dt);
    telemetry_.advance(dt);
    noteDriveChanges();
    advanceOperationState();
    steering_.advance(dt, events_);
    advanceObstacles(dt);
    if (route_.active()) {
        advanceRoute(dt);
    } else {
        advanceJog(dt);
    }
    alarms_.advance(dt, events_);
    advancePassingStatus(dt);
}

void VehicleModel::enterState(OperationState next) {
    events_.add("operation state " + protocol::operationStateName(protocol::code(state_)) + " -> " +
                protocol::operationStateName(protocol::code(next)));
    state_ = next;
    stateTime_ = 0.0;
}

void VehicleModel::advanceOperationState() {
    if (state_ == OperationState::StartUp && stateTime_ >= kStartUpTime) {
        enterState(OperationState::DeviceOpened);
    } else if (state_ == OperationState::DeviceOpened && stateTime_ >= kDeviceOpenTime &&
               drives_.operational()) {
        enterState(OperationState::ManualOp);
    }
}

// Logs what the drives did since the last step, and stops the vehicle when its drives can no longer
// hold it: the brake grabs.
void VehicleModel::noteDriveChanges() {
    if (drives_.servoState() != lastServo_) {
        events_.add("servo state " + protocol::servoStateName(protocol::code(lastServo_)) + " -> " +
                    protocol::servoStateName(protocol::code(drives_.servoState())));
        lastServo_ = drives_.servoState();
    }
    if (drives_.brakeReleased() != lastBrake_) {
        lastBrake_ = drives_.brakeReleased();
        events_.add(lastBrake_ ? "brake released" : "brake locked");
    }
    if (drives_.nmtState() != lastNmt_) {
        lastNmt_ = drives_.nmtState();
        events_.add("drive network " + protocol::nmtStateName(protocol::code(lastNmt_)), true);
    }
    const bool moving = motion_.velocity() != 0.0 || motion_.jogDirection() != 0;
    if (!drivesReady() && (moving || route_.active())) {
        motion_.halt();
        if (route_.underway()) {
            stopRoute(drives_.faulted() ? AutomaticStatus::Fault
                                        : AutomaticStatus::CancelRouteServoOffActive);
        }
    }
}

void VehicleModel::advanceObstacles(double dt) {
    obstacles_.advance(dt, route_.active() && motion_.velocity() != 0.0);
    const ObstacleLevel now = obstacles_.level();
    if (now == lastObstacle_) {
        return;
    }
    if (now == ObstacleLevel::None) {
        events_.add("obstacle cleared");
        alarms_.clearObstacleWarning();
        if (lastObstacle_ != ObstacleLevel::Slow && route_.active()) {
            showPassingStatus(AutomaticStatus::Retry, 1.0);
        }
    } else {
        alarms_.raiseWarning(Alarms::kObstacleWarning, "obstacle",
                             "obstacle detected: " + protocol::obstacleDetectName(protocol::code(now)),
                             events_);
    }
    lastObstacle_ = now;
}

// One step along the route in progress; the vehicle takes the route's position, steers as the
// segment under it asks, and the route ends on its goal or where a cancel brought it to a stop.
void VehicleModel::advanceRoute(double dt) {
    const int segmentBefore = motion_.location().segment;
    const double moved = route_.step(dt, drivesReady(), obstacles_.level(), events_);
    motion_.follow(*route_.driver(), moved);
    const int segment = motion_.location().segment;
    if (segment != segmentBefore || moved > 0.0) {
        steering_.setTarget(map_.segment(segment)->steer);
    }
    if (segment != segmentBefore) {
        events_.add("on segment " + std::to_string(segment), true);
    }
    motion_.reachPoints(route_.takeReachedPoints(), events_);
    if (route_.finished()) {
        route_.release();
        events_.add("arrived at po " + std::to_string(motion_.currentPoint()) + " (end of route)");
    } else if (route_.cancelling() && motion_.velocity() == 0.0) {
        stopRoute(AutomaticStatus::CancelRoute);
    }
}

void VehicleModel::advanceJog(double dt) {
    const bool allowed = state_ == OperationState::ManualOp && drivesReady();
    if (motion_.advanceJog(dt, allowed, events_)) {
        alarms_.raiseWarning("W120", "trackEnd", "manual move stopped at the end of the track", events_);
    }
}

void VehicleModel::stopRoute(AutomaticStatus shown) {
    events_.add("route cancelled at po " + std::to_string(motion_.currentPoint()));
    route_.drop();
    motion_.stop();
    showPassingStatus(shown, 1.5);
}

void VehicleModel::showPassingStatus(AutomaticStatus status, double seconds) {
    passingStatus_ = protocol::code(status);
    passingFor_ = seconds;
}

void VehicleModel::advancePassingStatus(double dt) {
    if (passingStatus_ >= 0) {
        passingFor_ -= dt;
        if (passingFor_ <= 0.0) {
            passingStatus_ = -1;
        }
    }
}

}  // namespace kova::sim
