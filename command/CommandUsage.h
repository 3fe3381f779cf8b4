#pragma once

// The usage text of each command: shown when a command's form is wrong, and listed by help.
namespace kova::usage {

constexpr const char* kSet = "set/index/subindex/value";
constexpr const char* kSetMany = "setm/index/value0/value1/value2...";
constexpr const char* kGet = "get/index/subindex";
constexpr const char* kGetMany = "getm/index";
constexpr const char* kSwitch = "switch/[auto|man]";
constexpr const char* kManualMove = "m/[f|b|s|] -- manual";
constexpr const char* kLog = "log/[pub|debug]/[on|off]";
constexpr const char* kLogPublish = "log/pub/[on|off]";
constexpr const char* kLogDebug = "log/debug/[on|off]";
constexpr const char* kControl = "control/[sby|soff|rdy|hstp|sstp|rfcw|rf|cw|sp|locb|relb|cr]";
constexpr const char* kServo = "servo/[on|off|qs|locb|relb|rf|rc|rn]";
constexpr const char* kGoal = "goal/point ID";
constexpr const char* kGoalList = "sgoal/pointID0;pointID1;pointID2";
constexpr const char* kSteer = "steer/[LL|RR|LX|XL|RX|XR|00|11|1X|X1|0X|X0]";

}  // namespace kova::usage
