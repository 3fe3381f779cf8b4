#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "protocol/Code.h"

// What the console writes to the controller: the request verbs, the values of the objects its short
// commands write, and the operator's keywords for them. Keywords are compared exactly, with case.
namespace kova::protocol {

// Request verbs: frame 1 of a request. The body (frame 2) is index/subindex/value for "set",
// index/subindex for "get", index/value0/value1/... for "setm" and the index alone for "getm".
inline constexpr std::string_view kVerbSet = "set";
inline constexpr std::string_view kVerbSetMany = "setm";
inline constexpr std::string_view kVerbGet = "get";
inline constexpr std::string_view kVerbGetMany = "getm";

// Values of object kOperatingMode.
enum class OperatingMode { Automatic = 2, Manual = 3 };

// Values of object kManualMove.
enum class ManualDirection { Back = -1, Stop = 0, Forward = 1 };

// Values of object kGoalStart: which goal, written just before, the route goes to.
enum class GoalKind { Point = 2, List = 3 };

// Subindices of object kLogSwitches: the published log, and its debug lines.
enum class LogSwitch { Publish = 0, Debug = 1 };

// Values of the two log switches (and of the obstacle sensor switch).
enum class SwitchValue { Off = 0, On = 1 };

// Values of object kControlCommand.
enum class ControlCommand {
    Start = 1,
    ResetFaultClearWarning = 2,
    HardStop = 3,
    Standby = 4,
    ServoOff = 5,
    SoftStop = 6,
    ResetFault = 7,
    Ready = 8,
    ClearWarning = 9,
    LockBrake = 10,
    ReleaseBrake = 11,
    CancelRoute = 12,
};

// Values of object kServoCommand.
enum class ServoCommand {
    On = 1,
    Off = 2,
    QuickStop = 3,
    LockBrake = 4,
    ReleaseBrake = 5,
    ResetCommunication = 6,
    ResetNode = 7,
    ResetFault = 8,
};

// One operator keyword and the value it stands for.
template <class Value>
struct Keyword {
    std::string_view word;
    Value value;
};

inline constexpr std::array<Keyword<ControlCommand>, 12> kControlKeywords{{
    {"sp", ControlCommand::Start},
    {"rfcw", ControlCommand::ResetFaultClearWarning},
    {"hstp", ControlCommand::HardStop},
    {"sby", ControlCommand::Standby},
    {"soff", ControlCommand::ServoOff},
    {"sstp", ControlCommand::SoftStop},
    {"rf", ControlCommand::ResetFault},
    {"rdy", ControlCommand::Ready},
    {"cw", ControlCommand::ClearWarning},
    {"locb", ControlCommand::LockBrake},
    {"relb", ControlCommand::ReleaseBrake},
    {"cr", ControlCommand::CancelRoute},
}};

inline constexpr std::array<Keyword<ServoCommand>, 8> kServoKeywords{{
    {"on", ServoCommand::On},
    {"off", ServoCommand::Off},
    {"qs", ServoCommand::QuickStop},
    {"locb", ServoCommand::LockBrake},
    {"relb", ServoCommand::ReleaseBrake},
    {"rc", ServoCommand::ResetCommunication},
    {"rn", ServoCommand::ResetNode},
    {"rf", ServoCommand::ResetFault},
}};

inline constexpr std::array<Keyword<OperatingMode>, 2> kModeKeywords{{
    {"auto", OperatingMode::Automatic},
    {"man", OperatingMode::Manual},
}};

// Every other direction keyword, the empty one included, stands for ManualDirection::Stop.
inline constexpr std::array<Keyword<ManualDirection>, 2> kDirectionKeywords{{
    {"f", ManualDirection::Forward},
    {"b", ManualDirection::Back},
}};

inline constexpr std::array<Keyword<LogSwitch>, 2> kLogSwitchKeywords{{
    {"pub", LogSwitch::Publish},
    {"debug", LogSwitch::Debug},
}};

inline constexpr std::array<Keyword<SwitchValue>, 2> kSwitchValueKeywords{{
    {"on", SwitchValue::On},
    {"off", SwitchValue::Off},
}};

// The steering keywords: written to object kSteeringTarget as they are, and published back.
inline constexpr std::array<std::string_view, 12> kSteeringKeywords{
    {"LL", "RR", "LX", "XL", "RX", "XR", "00", "11", "1X", "X1", "0X", "X0"}};

// The value `word` stands for in `keywords`, or nothing when it is none of them.
template <class Value, std::size_t N>
constexpr std::optional<Value> keywordValue(const std::array<Keyword<Value>, N>& keywords,
                                            std::string_view word) {
    for (const Keyword<Value>& keyword : keywords) {
        if (keyword.word == word) {
            return keyword.value;
        }
    }
    return std::nullopt;
}

constexpr bool isSteeringKeyword(std::string_view word) {
    for (std::string_view keyword : kSteeringKeywords) {
        if (keyword == word) {
            return true;
        }
    }
    return false;
}

// "f" forward, "b" back, anything else stop.
constexpr ManualDirection manualDirectionFor(std::string_view word) {
    return keywordValue(kDirectionKeywords, word).value_or(ManualDirection::Stop);
}

}  // namespace kova::protocol
