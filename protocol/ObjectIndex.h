#pragma once

// The controller's data objects by index: every object that the console or the simulated controller
// names. The index is frame 1 of a published status message and the first field of a request body.
namespace kova::protocol::object {

// Published status objects, in ascending order; StatusLayout.h gives each one's values.
constexpr int kOperationState = 111;
constexpr int kAlarmFault = 500;    // code, name
constexpr int kAlarmWarning = 501;  // code, name
constexpr int kDataloggerState = 1902;
constexpr int kConnectedSegments = 3008;
constexpr int kCurrentPosition = 3009;  // point, segment, on route
constexpr int kBarcodePath = 3010;      // path kind, segment, from point, to point
constexpr int kRouteGeneration = 3011;  // path kind, from, to, velocity max and const, profile, end of route
constexpr int kGoal = 3012;             // point, barcode
constexpr int kRouteSegment = 3021;
constexpr int kGeneratedDistance = 3037;  // total, remaining, encoder
constexpr int kConnectedDistance = 3038;  // total, encoder
constexpr int kObstacleField = 3040;
constexpr int kSteeringTarget = 3050;  // also written: the steering command
constexpr int kSteeringActual = 3060;
constexpr int kInTrafficControlZone = 3065;
constexpr int kControlPeriod = 4005;  // actual, max, run time
constexpr int kOperationStatus = 4021;
constexpr int kManualMoveEcho = 4031;  // last manual move written, jog velocity, jog direction
constexpr int kCommandEcho = 4032;     // last control command, last servo command, operating mode
constexpr int kActualVelocity = 4034;
constexpr int kTargetVelocity = 4035;
constexpr int kRunDistance = 4061;
constexpr int kObstacleDetect = 5001;
constexpr int kPhotoSensor = 5002;
constexpr int kDigitalInputs = 6070;
constexpr int kDriveControlWords = 7022;
constexpr int kDriveStates = 7023;  // status words, network states, servo states
constexpr int kFrontPosition = 7024;
constexpr int kFrontTargetRpm = 7027;
constexpr int kDriveActualRpm = 7028;
constexpr int kDriveDemandTorque = 7029;
constexpr int kDriveActualTorque = 7030;
constexpr int kDriveServoStates = 7031;
constexpr int kFieldBusPeriods = 7033;  // pdo, node guard, control word: each actual and max
constexpr int kBrakeState = 7034;
constexpr int kDriveStatusCodes = 7035;
constexpr int kCameraPosition = 7120;
constexpr int kCameraVelocity = 7122;
constexpr int kCameraPeriod = 7123;
constexpr int kDriveTemperatures = 7251;
constexpr int kDcBusVoltages = 7252;
constexpr int kDriveCurrents = 7253;

// Objects the console writes with "set" (subindex 0 unless said otherwise).
constexpr int kOperatingMode = 112;    // OperatingMode
constexpr int kLogSwitches = 703;      // subindex LogSwitch: 1 on, 0 off
constexpr int kControlCommand = 4011;  // ControlCommand
constexpr int kManualMove = 4091;      // ManualDirection
constexpr int kServoCommand = 4092;    // ServoCommand
constexpr int kGoalPoint = 3033;       // one point ID
constexpr int kGoalList = 3034;        // point IDs joined by ";"
constexpr int kGoalStart = 3031;       // GoalKind, written after a goal
// kSteeringTarget (3050) above takes a steering keyword.

// Further objects of the controller: read-only parameters and the obstacle sensor switch. The
// monitor shows some of these indices as labels, never their values.
constexpr int kVersion = 101;
constexpr int kRelease = 102;
constexpr int kSystemName = 106;
constexpr int kControlPeriodTarget = 4004;  // µs
constexpr int kObstacleUse = 4026;          // 1 the obstacle sensor is used, 0 not
constexpr int kRouteMap = 3041;
constexpr int kSteeringTimeout = 3051;  // ms

}  // namespace kova::protocol::object
