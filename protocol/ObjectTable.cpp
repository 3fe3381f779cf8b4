#include "protocol/ObjectTable.h"

#include <algorithm>
#include <tuple>

#include "protocol/CommandCodes.h"
#include "protocol/ObjectIndex.h"
#include "protocol/StatusLayout.h"

namespace kova::protocol {

namespace {

using namespace object;

// The name of each index constant, without its leading "k" and with a small first letter.
struct Named {
    int index;
    const char* name;
};

constexpr Named kNames[] = {
    {kOperationState, "operationState"},
    {kAlarmFault, "alarmFault"},
    {kAlarmWarning, "alarmWarning"},
    {kDataloggerState, "dataloggerState"},
    {kConnectedSegments, "connectedSegments"},
    {kCurrentPosition, "currentPosition"},
    {kBarcodePath, "barcodePath"},
    {kRouteGeneration, "routeGeneration"},
    {kGoal, "goal"},
    {kRouteSegment, "routeSegment"},
    {kGeneratedDistance, "generatedDistance"},
    {kConnectedDistance, "connectedDistance"},
    {kObstacleField, "obstacleField"},
    {kSteeringTarget, "steeringTarget"},
    {kSteeringActual, "steeringActual"},
    {kInTrafficControlZone, "inTrafficControlZone"},
    {kControlPeriod, "controlPeriod"},
    {kOperationStatus, "operationStatus"},
    {kManualMoveEcho, "manualMoveEcho"},
    {kCommandEcho, "commandEcho"},
    {kActualVelocity, "actualVelocity"},
    {kTargetVelocity, "targetVelocity"},
    {kRunDistance, "runDistance"},
    {kObstacleDetect, "obstacleDetect"},
    {kPhotoSensor, "photoSensor"},
    {kDigitalInputs, "digitalInputs"},
    {kDriveControlWords, "driveControlWords"},
    {kDriveStates, "driveStates"},
    {kFrontPosition, "frontPosition"},
    {kFrontTargetRpm, "frontTargetRpm"},
    {kDriveActualRpm, "driveActualRpm"},
    {kDriveDemandTorque, "driveDemandTorque"},
    {kDriveActualTorque, "driveActualTorque"},
    {kDriveServoStates, "driveServoStates"},
    {kFieldBusPeriods, "fieldBusPeriods"},
    {kBrakeState, "brakeState"},
    {kDriveStatusCodes, "driveStatusCodes"},
    {kCameraPosition, "cameraPosition"},
    {kCameraVelocity, "cameraVelocity"},
    {kCameraPeriod, "cameraPeriod"},
    {kDriveTemperatures, "driveTemperatures"},
    {kDcBusVoltages, "dcBusVoltages"},
    {kDriveCurrents, "driveCurrents"},
};

const char* kindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::Int:
            return "int";
        case ValueKind::Float:
            return "float";
        case ValueKind::Text:
            return "text";
        case ValueKind::IntFlag:
        case ValueKind::TextFlag:
            break;
    }
    return "flag";
}

std::string nameOf(int index) {
    for (const Named& named : kNames) {
        if (named.index == index) {
            return named.name;
        }
    }
    return {};
}

std::vector<ObjectInfo> build() {
    std::vector<ObjectInfo> table;
    for (const ObjectLayout& layout : kStatusLayouts) {
        std::string type;
        for (std::size_t i = 0; i < layout.valueCount(); ++i) {
            type += (i == 0 ? "" : ",") + std::string(kindName(layout.kind(i)));
        }
        table.push_back(
            {layout.index(), 0, nameOf(layout.index()), type, true, layout.index() == kSteeringTarget});
    }
    // Written by the commands (the steering target is published too, and listed above).
    table.push_back({kOperatingMode, 0, "operatingMode", "int", false, true});
    table.push_back({kLogSwitches, code(LogSwitch::Publish), "logSwitches.publish", "int", false, true});
    table.push_back({kLogSwitches, code(LogSwitch::Debug), "logSwitches.debug", "int", false, true});
    table.push_back({kControlCommand, 0, "controlCommand", "int", false, true});
    table.push_back({kManualMove, 0, "manualMove", "int", false, true});
    table.push_back({kServoCommand, 0, "servoCommand", "int", false, true});
    table.push_back({kGoalPoint, 0, "goalPoint", "int", false, true});
    table.push_back({kGoalList, 0, "goalList", "text", false, true});
    table.push_back({kGoalStart, 0, "goalStart", "int", false, true});
    // The controller's parameters; the obstacle sensor's switch is written too.
    table.push_back({kVersion, 0, "version", "text", false, false});
    table.push_back({kRelease, 0, "release", "text", false, false});
    table.push_back({kSystemName, 0, "systemName", "text", false, false});
    table.push_back({kControlPeriodTarget, 0, "controlPeriodTarget", "int", false, false});
    table.push_back({kObstacleUse, 0, "obstacleUse", "int", false, true});
    table.push_back({kRouteMap, 0, "routeMap", "text", false, false});
    table.push_back({kSteeringTimeout, 0, "steeringTimeout", "int", false, false});
    std::sort(table.begin(), table.end(), [](const ObjectInfo& a, const ObjectInfo& b) {
        return std::tie(a.index, a.subindex) < std::tie(b.index, b.subindex);
    });
    return table;
}

}  // namespace

const std::vector<ObjectInfo>& knownObjects() {
    static const std::vector<ObjectInfo> table = build();
    return table;
}

}  // namespace kova::protocol
