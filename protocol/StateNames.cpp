// Each word function switches over its enum without a default label, so a code added to an enum
// without a word is a compiler warning (an error with -Werror); codes outside the enum fall through
// to the table's default word.
#include "protocol/StateCodes.h"

namespace kova::protocol {

std::string operationStateName(int code) {
    switch (static_cast<OperationState>(code)) {
        case OperationState::StartUp:
            return "StartUp";
        case OperationState::DeviceOpened:
            return "DeviceOpened";
        case OperationState::DeviceOpenFailed:
            return "DeviceOpenFailed";
        case OperationState::ManualOp:
            return "ManualOp";
        case OperationState::AutomaticOp:
            return "AutomaticOp";
        case OperationState::DeviceClosed:
            return "DeviceClosed";
        case OperationState::Finished:
            return "Finished";
    }
    return "Undefined";
}

std::string manualStatusName(int code) {
    switch (static_cast<ManualStatus>(code)) {
        case ManualStatus::Standby:
            return "Standby";
        case ManualStatus::ReadyActive:
            return "ReadyActive";
        case ManualStatus::ReadyToAutomaticOp:
            return "ReadyToAutomaticOp";
        case ManualStatus::ServoOff:
            return "ServoOff";
        case ManualStatus::Run:
            return "Run";
        case ManualStatus::Fault:
            return "Fault";
    }
    return "Undefined";
}

std::string automaticStatusName(int code) {
    switch (static_cast<AutomaticStatus>(code)) {
        case AutomaticStatus::Standby:
            return "Standby";
        case AutomaticStatus::Run:
            return "Run";
        case AutomaticStatus::Fault:
            return "Fault";
        case AutomaticStatus::ServoOnActive:
            return "ServoOnActive";
        case AutomaticStatus::ServoOffActive:
            return "ServoOffActive";
        case AutomaticStatus::CancelRoute:
            return "CancelRoute";
        case AutomaticStatus::CancelRouteServoOffActive:
            return "CancelRouteServoOffActive";
        case AutomaticStatus::Retry:
            return "Retry";
    }
    return "Undefined";
}

std::string pathKindName(int code) {
    switch (static_cast<PathKind>(code)) {
        case PathKind::Line:
            return "Line";
        case PathKind::Spin:
            return "Spin";
        case PathKind::Arc:
            return "Arc";
        case PathKind::Ohcurve:
            return "Ohcurve";
        case PathKind::Waiting:
            return "Waiting";
        case PathKind::None:
            break;
    }
    return "None";
}

std::string servoStateName(int code) {
    switch (static_cast<ServoState>(code)) {
        case ServoState::Off:
            return "servoOff";
        case ServoState::On:
            return "servoOn";
        case ServoState::QuickStop:
            return "quickStop";
        case ServoState::Fault:
            return "fault";
        case ServoState::None:
            break;
    }
    return "none";
}

std::string dataloggerStateName(int code) {
    switch (static_cast<DataloggerState>(code)) {
        case DataloggerState::Logging:
            return "Logging";
        case DataloggerState::Writing:
            return "Writing";
        case DataloggerState::Paused:
            return "Paused";
        case DataloggerState::Stop:
            break;
    }
    return "Stop";
}

std::string obstacleDetectName(int code) {
    switch (static_cast<ObstacleLevel>(code)) {
        case ObstacleLevel::Slow:
            return "slow";
        case ObstacleLevel::Stop:
            return "stop";
        case ObstacleLevel::EmergencyStop:
            return "E-Stop";
        case ObstacleLevel::None:
            break;
    }
    return "No";
}

std::string velocityPhaseName(int code) {
    switch (static_cast<VelocityPhase>(code)) {
        case VelocityPhase::Before:
            return "Before";
        case VelocityPhase::Accel:
            return "Accel";
        case VelocityPhase::Constant:
            return "Constant";
        case VelocityPhase::Decel:
            return "Decel";
        case VelocityPhase::Creep:
            return "Creep";
        case VelocityPhase::Finish:
            return "Finish";
        case VelocityPhase::Slow:
            return "Slow";
        case VelocityPhase::SlowCreep:
            return "SlowCreep";
        case VelocityPhase::Stop:
            return "Stop";
        case VelocityPhase::StopCreep:
            return "StopCreep";
        case VelocityPhase::None:
            break;
    }
    return "None";
}

std::string nmtStateName(int code) {
    switch (static_cast<NmtState>(code)) {
        case NmtState::BootUp:
            return "BootUp";
        case NmtState::PreOp:
            return "PreOp";
        case NmtState::Op:
            return "Op";
        case NmtState::Stop:
            return "Stop";
        case NmtState::None:
            break;
    }
    return "None";
}

}  // namespace kova::protocol
