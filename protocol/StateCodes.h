#pragma once

#include <string>

#include "protocol/Code.h"

// The codes of the controller's state machines as they are published, and the words the monitor
// shows for them. Codes that an enum does not list can still arrive; each word function then gives
// its table's default word.
namespace kova::protocol {

// Operation state of the controller (object kOperationState).
enum class OperationState {
    StartUp = 0,
    DeviceOpened = 1,
    DeviceOpenFailed = 2,
    ManualOp = 3,
    AutomaticOp = 4,
    DeviceClosed = 5,
    Finished = 6,
};

// Status within manual operation (object kOperationStatus while the state is ManualOp).
enum class ManualStatus {
    Standby = 0,
    ReadyActive = 2,
    ReadyToAutomaticOp = 3,
    ServoOff = 6,
    Run = 7,
    Fault = 8,
};

// Status within automatic operation (object kOperationStatus while the state is AutomaticOp).
enum class AutomaticStatus {
    Standby = 0,
    Run = 3,
    Fault = 5,
    ServoOnActive = 7,
    ServoOffActive = 8,
    CancelRoute = 9,
    CancelRouteServoOffActive = 10,
    Retry = 11,
};

// Kind of a route path element.
enum class PathKind { None = 0, Line = 1, Spin = 2, Arc = 3, Ohcurve = 4, Waiting = 5 };

// Servo state of a traction drive.
enum class ServoState { None = 0, Off = 1, On = 2, QuickStop = 3, Fault = 4 };

// State of the data logger.
enum class DataloggerState { Stop = 0, Logging = 1, Writing = 2, Paused = 3 };

// Obstacle detection level: what the obstacle sensor asks of the drive.
enum class ObstacleLevel { None = 0, Slow = 1, Stop = 2, EmergencyStop = 3 };

// Phase of the velocity profile on the route being driven.
enum class VelocityPhase {
    None = 0,
    Before = 1,
    Accel = 2,
    Constant = 3,
    Decel = 4,
    Creep = 5,
    Finish = 6,
    Slow = 7,
    SlowCreep = 8,
    Stop = 9,
    StopCreep = 10,
};

// Network-management state of a drive, as the controller numbers it.
enum class NmtState { None = 0, BootUp = 1, PreOp = 2, Op = 3, Stop = 4 };

// The words for the codes above. Each returns a new text; every code its enum does not list,
// negative ones included, gives the default named here. Pure; any thread.

// Default "Undefined"; 0 is "StartUp".
std::string operationStateName(int code);
// Default "Undefined".
std::string manualStatusName(int code);
// Default "Undefined".
std::string automaticStatusName(int code);
// Default "None" (code 0 included).
std::string pathKindName(int code);
// Default "none", in lower case (code 0 included).
std::string servoStateName(int code);
// Default "Stop" (code 0 included).
std::string dataloggerStateName(int code);
// Default "No" (code 0 included).
std::string obstacleDetectName(int code);
// Default "None" (code 0 included).
std::string velocityPhaseName(int code);
// Default "None" (code 0 included).
std::string nmtStateName(int code);

}  // namespace kova::protocol
