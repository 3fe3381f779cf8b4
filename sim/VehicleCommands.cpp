// The operator's commands to the vehicle: mode, manual move, control and servo commands, goals,
// steering and the obstacle sensor switch. Each is checked against the vehicle's state here and
// carried out by the part it concerns.
#include "protocol/ObjectIndex.h"
#include "sim/VehicleModel.h"

namespace kova::sim {

using protocol::GoalKind;
using protocol::ManualDirection;
using protocol::OperatingMode;

CommandResult VehicleModel::setMode(int mode) {
    if (state_ != OperationState::ManualOp && state_ != OperationState::AutomaticOp) {
        return CommandResult::refused("controller is starting up");
    }
    switch (static_cast<OperatingMode>(mode)) {
        case OperatingMode::Automatic:
            if (state_ == OperationState::AutomaticOp) {
                return CommandResult::done();
            }
            if (faulted()) {
                return CommandResult::refused("alarm fault active, reset it first");
            }
            if (motion_.jogDirection() != 0 || motion_.velocity() != 0.0) {
                return CommandResult::refused("vehicle is moving");
            }
            enterState(OperationState::AutomaticOp);
            return CommandResult::done();
        case OperatingMode::Manual:
            if (state_ == OperationState::AutomaticOp && route_.active()) {
                return CommandResult::refused("route in progress, cancel it first");
            }
            if (state_ == OperationState::AutomaticOp) {
                enterState(OperationState::ManualOp);
            }
            return CommandResult::done();
    }
    return CommandResult::invalid("mode must be 2 (auto) or 3 (manual)");
}

// A move against the locked brake blocks the motor: a drive fault, and the alarm fault with it.
void VehicleModel::raiseBrakeLockedFault(const std::string& why) {
    alarms_.raiseFault("E201", "brakeLck", why, events_);
    drives_.fault(kErrorBrakeLocked);
}

CommandResult VehicleModel::checkReadyToMove() {
    if (faulted()) {
        return CommandResult::refused("alarm fault active, reset it first");
    }
    if (drives_.switchingOn() || (drives_.servoIsOn() && drives_.brakeReleasing())) {
        return CommandResult::refused("servo is switching on");
    }
    if (!drives_.servoIsOn()) {
        alarms_.raiseWarning("W110", "servoOff", "move refused: servo is off", events_);
        return CommandResult::refused("servo is off");
    }
    if (!drives_.brakeReleased()) {
        raiseBrakeLockedFault("move commanded with the brake locked");
        return CommandResult::refused("brake is locked");
    }
    return CommandResult::done();
}

CommandResult VehicleModel::manualMove(int direction) {
    echo_.manualMove = direction;
    switch (static_cast<ManualDirection>(direction)) {
        case ManualDirection::Stop:
            if (motion_.jogDirection() != 0) {
                events_.add("manual move stop");
            }
            motion_.jog(0);
            return CommandResult::done();
        case ManualDirection::Forward:
        case ManualDirection::Back:
            break;
        default:
            return CommandResult::invalid("direction must be 1, -1 or 0");
    }
    if (state_ != OperationState::ManualOp) {
        return CommandResult::refused("manual move needs manual operation");
    }
    const CommandResult ready = checkReadyToMove();
    if (!ready.ok) {
        return ready;
    }
    motion_.jog(direction);
    events_.add(direction > 0 ? "manual move forward" : "manual move back");
    return CommandResult::done();
}

CommandResult VehicleModel::control(int command) {
    echo_.control = command;
    switch (static_cast<ControlCommand>(command)) {
        case ControlCommand::Start:
            route_.resume(events_);
            return CommandResult::done();
        case ControlCommand::ResetFaultClearWarning:
            applyServo(ServoCommand::ResetFault);
            alarms_.clearWarning();
            return CommandResult::done();
        case ControlCommand::HardStop:
            holdRoute(RouteHold::Hard, "hard stop");
            return CommandResult::done();
        case ControlCommand::SoftStop:
            holdRoute(RouteHold::Soft, "soft stop");
            return CommandResult::done();
        case ControlCommand::Standby:
        case ControlCommand::CancelRoute:
            holdRoute(RouteHold::Cancel, "cancelling route");
            return CommandResult::done();
        case ControlCommand::ServoOff:
            return applyServo(ServoCommand::Off);
        case ControlCommand::ResetFault:
            return applyServo(ServoCommand::ResetFault);
        case ControlCommand::Ready:
            return applyServo(ServoCommand::On);
        case ControlCommand::ClearWarning:
            alarms_.clearWarning();
            return CommandResult::done();
        case ControlCommand::LockBrake:
            return applyServo(ServoCommand::LockBrake);
        case ControlCommand::ReleaseBrake:
            return applyServo(ServoCommand::ReleaseBrake);
    }
    return CommandResult::invalid("control command must be 1 to 12");
}

// Stops a manual move, and holds the route if one is driven.
void VehicleModel::holdRoute(RouteHold hold, const std::string& what) {
    motion_.jog(0);
    route_.hold(hold, what, events_);
}

CommandResult VehicleModel::servo(int command) {
    echo_.servo = command;
    return applyServo(static_cast<ServoCommand>(command));
}

CommandResult VehicleModel::applyServo(ServoCommand command) {
    const bool moving = motion_.velocity() != 0.0;
    std::string refusal;
    switch (command) {
        case ServoCommand::On:
            refusal = drives_.servoOn();
            break;
        case ServoCommand::Off:
            motion_.jog(0);
            refusal = drives_.servoOff();
            break;
        case ServoCommand::QuickStop:
            motion_.jog(0);
            refusal = drives_.quickStop();
            break;
        case ServoCommand::LockBrake:
            refusal = moving ? "vehicle is moving" : drives_.lockBrake();
            break;
        case ServoCommand::ReleaseBrake:
            refusal = drives_.releaseBrake();
            break;
        case ServoCommand::ResetCommunication:
            refusal = moving ? "vehicle is moving" : drives_.resetCommunication();
            break;
        case ServoCommand::ResetNode:
            refusal = moving ? "vehicle is moving" : drives_.resetNode();
            break;
        case ServoCommand::ResetFault:
            refusal = drives_.resetFault();
            break;
        default:
            return CommandResult::invalid("servo command must be 1 to 8");
    }
    if (!refusal.empty()) {
        return CommandResult::refused(refusal);
    }
    if (command == ServoCommand::ResetFault || command == ServoCommand::ResetNode) {
        alarms_.clearFault(events_);
    }
    return CommandResult::done();
}

CommandResult VehicleModel::setGoalPoint(int point) {
    return route_.setGoalPoint(point, events_);
}

CommandResult VehicleModel::setGoalList(const std::vector<int>& points) {
    return route_.setGoalList(points, events_);
}

CommandResult VehicleModel::startGoal(int kind) {
    switch (static_cast<GoalKind>(kind)) {
        case GoalKind::Point:
            if (route_.goalPoint() == 0) {
                return CommandResult::refused("no goal point set (" +
                                              std::to_string(protocol::object::kGoalPoint) + ")");
            }
            return beginRoute({route_.goalPoint()});
        case GoalKind::List:
            if (route_.goalList().empty()) {
                return CommandResult::refused("no goal list set (" +
                                              std::to_string(protocol::object::kGoalList) + ")");
            }
            return beginRoute(route_.goalList());
    }
    return CommandResult::invalid("start must be 2 (goal point) or 3 (goal list)");
}

CommandResult VehicleModel::beginRoute(const std::vector<int>& goals) {
    if (state_ != OperationState::AutomaticOp) {
        return CommandResult::refused("goal needs automatic operation (switch/auto)");
    }
    if (route_.active()) {
        return CommandResult::refused("route in progress, cancel it first");
    }
    if (faulted()) {
        return CommandResult::refused("alarm fault active, reset it first");
    }
    if (!drives_.servoIsOn() && !drives_.switchingOn()) {
        alarms_.raiseWarning("W110", "servoOff", "goal refused: servo is off", events_);
        return CommandResult::refused("servo is off");
    }
    if (drives_.servoIsOn() && !drives_.brakeReleased() && !drives_.brakeReleasing()) {
        raiseBrakeLockedFault("goal commanded with the brake locked");
        return CommandResult::refused("brake is locked");
    }
    return route_.begin(goals, motion_.location(), motion_.currentPoint(), events_);
}

CommandResult VehicleModel::steer(const std::string& keyword) {
    if (!protocol::isSteeringKeyword(keyword)) {
        return CommandResult::invalid("unknown steering keyword");
    }
    steering_.setTarget(keyword);
    events_.add("steering target " + keyword);
    return CommandResult::done();
}

CommandResult VehicleModel::setObstacleUse(bool use) {
    obstacles_.setEnabled(use);
    events_.add(use ? "obstacle sensor in use" : "obstacle sensor not in use");
    return CommandResult::done();
}

}  // namespace kova::sim
