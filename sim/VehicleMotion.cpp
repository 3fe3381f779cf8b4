// How the vehicle moves: along a planned route in automatic operation, by manual moves otherwise.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "sim/VehicleModel.h"

namespace kova::sim {

namespace {

constexpr double kRouteStartDelay = 0.3;  // Before phase once the drives are ready, s

std::string routeText(const Route& route, int from) {
    std::ostringstream text;
    text << "route planned: po " << from << " -> " << route.goals.back() << ", " << route.legs.size()
         << " segments (";
    for (std::size_t i = 0; i < route.legs.size(); ++i) {
        text << (i == 0 ? "" : ">") << route.legs[i].segment;
    }
    text.setf(std::ios::fixed);
    text.precision(3);
    text << "), " << route.length() / 1000.0 << " m";
    return text.str();
}

}  // namespace

bool VehicleModel::routeActive() const {
    return route_ && !route_->finished();
}

ObstacleLevel VehicleModel::holdLevel() const {
    switch (hold_) {
        case Hold::Hard:
            return ObstacleLevel::EmergencyStop;
        case Hold::Soft:
        case Hold::Cancel:
            return ObstacleLevel::Stop;
        default:
            return ObstacleLevel::None;
    }
}

CommandResult VehicleModel::beginRoute(const std::vector<int>& goals) {
    if (state_ != OperationState::AutomaticOp) {
        return CommandResult::refused("goal needs automatic operation (switch/auto)");
    }
    if (routeActive()) {
        return CommandResult::refused("route in progress, cancel it first");
    }
    if (fault_.active() || drives_.faulted()) {
        return CommandResult::refused("alarm fault active, reset it first");
    }
    if (!drives_.servoIsOn() && !drives_.switchingOn()) {
        raiseWarning("W110", "servoOff", "goal refused: servo is off");
        return CommandResult::refused("servo is off");
    }
    if (drives_.servoIsOn() && !drives_.brakeReleased() && !drives_.brakeReleasing()) {
        raiseFault("E201", "brakeLck", "goal commanded with the brake locked");
        drives_.fault(kErrorBrakeLocked);
        return CommandResult::refused("brake is locked");
    }
    std::string error;
    const auto planned = planRoute(map_, location_, goals, error);
    if (!planned) {
        return CommandResult::refused(error);
    }
    log(routeText(*planned, currentPo_));
    route_ = std::make_unique<RouteDriver>(map_, *planned, settings_.limits);
    routePosition_ = 0.0;
    hold_ = Hold::None;
    startDelay_ = kRouteStartDelay;
    routeGoal_ = goals.back();
    return CommandResult::done();
}

void VehicleModel::stopRoute(AutomaticStatus shown) {
    log("route cancelled at po " + std::to_string(currentPo_));
    route_.reset();
    hold_ = Hold::None;
    startDelay_ = 0.0;
    velocity_ = 0.0;
    targetVelocity_ = 0.0;
    showStatusFor(shown, 1.5);
}

void VehicleModel::advanceRoute(double dt) {
    if (startDelay_ > 0.0) {
        if (drives_.servoIsOn() && drives_.brakeReleased()) {
            startDelay_ -= dt;
        }
        if (startDelay_ <= 0.0) {
            route_->start();
            log("route started");
        }
    }
    const auto level = static_cast<ObstacleLevel>(
        std::max(static_cast<int>(holdLevel()), static_cast<int>(obstacles_.level())));
    const int segmentBefore = location_.segment;
    route_->step(dt, level);
    const VelocityProfile& profile = route_->profile();
    const double moved = profile.position() - routePosition_;
    routePosition_ = profile.position();
    odometer_ += moved;
    runDistance_ += moved;
    location_ = route_->location();
    velocity_ = profile.velocity();
    targetVelocity_ = profile.targetVelocity();
    acceleration_ = profile.acceleration();
    if (location_.segment != segmentBefore || moved > 0.0) {
        setSteerTarget(map_.segment(location_.segment)->steer);
    }
    if (location_.segment != segmentBefore) {
        log("on segment " + std::to_string(location_.segment), true);
    }
    reachPoints(route_->takeReachedPoints());
    if (route_->finished()) {
        hold_ = Hold::None;
        log("arrived at po " + std::to_string(currentPo_) + " (end of route)");
    } else if (hold_ == Hold::Cancel && velocity_ == 0.0) {
        stopRoute(AutomaticStatus::CancelRoute);
    }
}

void VehicleModel::advanceManual(double dt) {
    const bool allowed = state_ == OperationState::ManualOp && drives_.servoIsOn() && drives_.brakeReleased();
    const double target = allowed ? jogDirection_ * settings_.jogVelocity : 0.0;
    const double previous = velocity_;
    const double change = settings_.jogAcceleration * dt;
    velocity_ = std::clamp(target, previous - change, previous + change);
    targetVelocity_ = target;
    acceleration_ = (velocity_ - previous) / dt;
    const double moved = 0.5 * (previous + velocity_) * dt;
    if (moved == 0.0) {
        return;
    }
    const Movement movement = moveAlong(map_, location_, moved);
    location_ = movement.location;
    odometer_ += moved;
    runDistance_ += std::abs(moved);
    reachPoints(movement.pointsReached);
    if (movement.blocked) {
        velocity_ = 0.0;
        jogDirection_ = 0;
        raiseWarning("W120", "trackEnd", "manual move stopped at the end of the track");
    }
}

}  // namespace kova::sim
