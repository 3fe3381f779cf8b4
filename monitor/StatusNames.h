#pragma once

#include <string>

namespace kova {

// The controller's state codes as the words the monitor shows. Every code that a table does not
// list, negative ones included, gives the table's default word.

// Default "Undefined"; 0 is "StartUp".
std::string operationStateName(int code);
// Status within manual operation; default "Undefined".
std::string manualStatusName(int code);
// Status within automatic operation; default "Undefined".
std::string automaticStatusName(int code);
// Kind of a route path element; default "None".
std::string pathKindName(int code);
// Traction servo state; default "none" (lower case).
std::string servoStateName(int code);
// Data logger state; default "Stop".
std::string dataloggerStateName(int code);
// Obstacle detection level; default "No".
std::string obstacleDetectName(int code);
// Phase of the velocity profile on the current segment; default "None".
std::string velocityPhaseName(int code);
// Network-management state of a drive; default "None".
std::string nmtStateName(int code);

}  // namespace kova
