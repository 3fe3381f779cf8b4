// The operator's commands to the vehicle: mode, manual move, control and servo commands, goals,
// steering and the obstacle sensor switch.
#include <algorithm>
#include <array>

#include "sim/VehicleModel.h"

namespace kova::sim {

namespace {

const std::array<const char*, 12> kSteerKeywords = {"LL", "RR", "LX", "XL", "RX", "XR",
                                                    "00", "11", "1X", "X1", "0X", "X0"};

}  // namespace

CommandResult VehicleModel::setMode(int mode) {
    if (state_ != OperationState::ManualOp && state_ != OperationState::AutomaticOp) {
        return CommandResult::refused("controller is starting up");
    }
    if (mode == kModeAutomatic) {
        if (state_ == OperationState::AutomaticOp) {
            return CommandResult::done();
        }
        if (fault_.active() || drives_.faulted()) {
            return CommandResult::refused("alarm fault active, reset it first");
        }
        if (jogDirection_ != 0 || velocity_ != 0.0) {
            return CommandResult::refused("vehicle is moving");
        }
        enterState(OperationState::AutomaticOp);
        return CommandResult::done();
    }
    if (mode == kModeManual) {
        if (state_ == OperationState::AutomaticOp && routeActive()) {
            return CommandResult::refused("route in progress, cancel it first");
        }
        if (state_ == OperationState::AutomaticOp) {
            enterState(OperationState::ManualOp);
        }
        return CommandResult::done();
    }
    return CommandResult::refused("mode must be 2 (auto) or 3 (manual)");
}

CommandResult VehicleModel::checkReadyToMove() {
    if (fault_.active() || drives_.faulted()) {
        return CommandResult::refused("alarm fault active, reset it first");
    }
    if (drives_.switchingOn() || (drives_.servoIsOn() && drives_.brakeReleasing())) {
        return CommandResult::refused("servo is switching on");
    }
    if (!drives_.servoIsOn()) {
        raiseWarning("W110", "servoOff", "move refused: servo is off");
        return CommandResult::refused("servo is off");
    }
    if (!drives_.brakeReleased()) {
        raiseFault("E201", "brakeLck", "move commanded with the brake locked");
        drives_.fault(kErrorBrakeLocked);
        return CommandResult::refused("brake is locked");
    }
    return CommandResult::done();
}

CommandResult VehicleModel::manualMove(int direction) {
    lastManualMove_ = direction;
    if (direction == 0) {
        if (jogDirection_ != 0) {
            log("manual move stop");
        }
        jogDirection_ = 0;
        return CommandResult::done();
    }
    if (direction != 1 && direction != -1) {
        return CommandResult::refused("direction must be 1, -1 or 0");
    }
    if (state_ != OperationState::ManualOp) {
        return CommandResult::refused("manual move needs manual operation");
    }
    const CommandResult ready = checkReadyToMove();
    if (!ready.ok) {
        return ready;
    }
    jogDirection_ = direction;
    log(direction > 0 ? "manual move forward" : "manual move back");
    return CommandResult::done();
}

CommandResult VehicleModel::control(int command) {
    lastControl_ = command;
    switch (static_cast<ControlCommand>(command)) {
        case ControlCommand::Start:
            if (hold_ == Hold::Soft || hold_ == Hold::Hard) {
                hold_ = Hold::None;
                log("route resumed");
            }
            return CommandResult::done();
        case ControlCommand::ResetFaultClearWarning:
            applyServo(ServoCommand::ResetFault);
            warning_ = {};
            return CommandResult::done();
        case ControlCommand::HardStop:
            holdRoute(Hold::Hard, "hard stop");
            return CommandResult::done();
        case ControlCommand::SoftStop:
            holdRoute(Hold::Soft, "soft stop");
            return CommandResult::done();
        case ControlCommand::Standby:
        case ControlCommand::CancelRoute:
            holdRoute(Hold::Cancel, "cancelling route");
            return CommandResult::done();
        case ControlCommand::ServoOff:
            return applyServo(ServoCommand::Off);
        case ControlCommand::ResetFault:
            return applyServo(ServoCommand::ResetFault);
        case ControlCommand::Ready:
            return applyServo(ServoCommand::On);
        case ControlCommand::ClearWarning:
            warning_ = {};
            return CommandResult::done();
        case ControlCommand::LockBrake:
            return applyServo(ServoCommand::LockBrake);
        case ControlCommand::ReleaseBrake:
            return applyServo(ServoCommand::ReleaseBrake);
    }
    return CommandResult::refused("control command must be 1 to 12");
}

// Stops a manual move, and holds the route if one is driven.
void VehicleModel::holdRoute(Hold hold, const std::string& what) {
    jogDirection_ = 0;
    if (routeActive()) {
        hold_ = hold;
        log(what);
    }
}

CommandResult VehicleModel::servo(int command) {
    lastServoCommand_ = command;
    return applyServo(static_cast<ServoCommand>(command));
}

CommandResult VehicleModel::applyServo(ServoCommand command) {
    const bool moving = velocity_ != 0.0;
    std::string refusal;
    switch (command) {
        case ServoCommand::On:
            refusal = drives_.servoOn();
            break;
        case ServoCommand::Off:
            jogDirection_ = 0;
            refusal = drives_.servoOff();
            break;
        case ServoCommand::QuickStop:
            jogDirection_ = 0;
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
            return CommandResult::refused("servo command must be 1 to 8");
    }
    const bool resets = command == ServoCommand::ResetFault || command == ServoCommand::ResetNode;
    if (refusal.empty() && resets && fault_.active()) {
        log("alarm fault " + fault_.code + " cleared");
        fault_ = {};
    }
    return refusal.empty() ? CommandResult::done() : CommandResult::refused(refusal);
}

CommandResult VehicleModel::setGoalPoint(int point) {
    if (map_.point(point) == nullptr) {
        return CommandResult::refused("unknown point " + std::to_string(point));
    }
    goalPoint_ = point;
    log("goal point " + std::to_string(point));
    return CommandResult::done();
}

CommandResult VehicleModel::setGoalList(const std::vector<int>& points) {
    if (points.empty()) {
        return CommandResult::refused("empty point list");
    }
    for (int point : points) {
        if (map_.point(point) == nullptr) {
            return CommandResult::refused("unknown point " + std::to_string(point));
        }
    }
    goalList_ = points;
    log("goal list of " + std::to_string(points.size()) + " points");
    return CommandResult::done();
}

CommandResult VehicleModel::startGoal(int kind) {
    if (kind == 2) {
        if (goalPoint_ == 0) {
            return CommandResult::refused("no goal point set (3033)");
        }
        return beginRoute({goalPoint_});
    }
    if (kind == 3) {
        if (goalList_.empty()) {
            return CommandResult::refused("no goal list set (3034)");
        }
        return beginRoute(goalList_);
    }
    return CommandResult::refused("start must be 2 (goal point) or 3 (goal list)");
}

CommandResult VehicleModel::steer(const std::string& keyword) {
    if (std::find(kSteerKeywords.begin(), kSteerKeywords.end(), keyword) == kSteerKeywords.end()) {
        return CommandResult::refused("unknown steering keyword");
    }
    setSteerTarget(keyword);
    log("steering target " + keyword);
    return CommandResult::done();
}

CommandResult VehicleModel::setObstacleUse(bool use) {
    obstacles_.setEnabled(use);
    log(use ? "obstacle sensor in use" : "obstacle sensor not in use");
    return CommandResult::done();
}

}  // namespace kova::sim
