#include "monitor/StatusNames.h"

#include <cstddef>

namespace kova {

namespace {

// Words indexed by code from 0; a null entry (a gap in the controller's numbering) and every code
// outside the table give the fallback.
template <std::size_t N>
std::string lookUp(const char* const (&words)[N], int code, const char* fallback) {
    if (code >= 0 && static_cast<std::size_t>(code) < N && words[code] != nullptr) {
        return words[code];
    }
    return fallback;
}

}  // namespace

std::string operationStateName(int code) {
    static const char* const kWords[] = {"StartUp",     "DeviceOpened", "DeviceOpenFailed", "ManualOp",
                                         "AutomaticOp", "DeviceClosed", "Finished"};
    return lookUp(kWords, code, "Undefined");
}

std::string manualStatusName(int code) {
    static const char* const kWords[] = {"Standby", nullptr, "ReadyActive", "ReadyToAutomaticOp",
                                         nullptr,   nullptr, "ServoOff",    "Run",
                                         "Fault"};
    return lookUp(kWords, code, "Undefined");
}

std::string automaticStatusName(int code) {
    static const char* const kWords[] = {"Standby",
                                         nullptr,
                                         nullptr,
                                         "Run",
                                         nullptr,
                                         "Fault",
                                         nullptr,
                                         "ServoOnActive",
                                         "ServoOffActive",
                                         "CancelRoute",
                                         "CancelRouteServoOffActive",
                                         "Retry"};
    return lookUp(kWords, code, "Undefined");
}

std::string pathKindName(int code) {
    static const char* const kWords[] = {nullptr, "Line", "Spin", "Arc", "Ohcurve", "Waiting"};
    return lookUp(kWords, code, "None");
}

std::string servoStateName(int code) {
    static const char* const kWords[] = {nullptr, "servoOff", "servoOn", "quickStop", "fault"};
    return lookUp(kWords, code, "none");
}

std::string dataloggerStateName(int code) {
    static const char* const kWords[] = {nullptr, "Logging", "Writing", "Paused"};
    return lookUp(kWords, code, "Stop");
}

std::string obstacleDetectName(int code) {
    static const char* const kWords[] = {nullptr, "slow", "stop", "E-Stop"};
    return lookUp(kWords, code, "No");
}

std::string velocityPhaseName(int code) {
    static const char* const kWords[] = {nullptr,  "Before", "Accel",     "Constant", "Decel",    "Creep",
                                         "Finish", "Slow",   "SlowCreep", "Stop",     "StopCreep"};
    return lookUp(kWords, code, "None");
}

std::string nmtStateName(int code) {
    static const char* const kWords[] = {nullptr, "BootUp", "PreOp", "Op", "Stop"};
    return lookUp(kWords, code, "None");
}

}  // namespace kova
