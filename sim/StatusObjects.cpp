#include "sim/StatusObjects.h"

#include <algorithm>
#include <array>

#include "protocol/StatusLayout.h"
#include "sim/LayoutWriter.h"

namespace kova::sim {

namespace {

namespace object = protocol::object;
using S = VehicleStatus;
using W = LayoutWriter;

// Writes the values of one object from the status, in its layout's order.
using Write = void (*)(const S&, W&);

struct ObjectFormat {
    PublishedObject object;
    Write write;
};

// Fast-changing objects go out twenty times a second, states ten times, slow figures four times.
constexpr int kFast = 50;
constexpr int kMedium = 100;
constexpr int kSlow = 250;

// Every published object, in the order of the protocol's layouts (checked below).
constexpr std::array<ObjectFormat, protocol::kStatusObjectCount> kFormats = {{
    {{object::kOperationState, kMedium}, [](const S& s, W& w) { w.integer(s.operationState); }},
    {{object::kAlarmFault, kSlow}, [](const S& s, W& w) { w.text(s.alarmFault[0]).text(s.alarmFault[1]); }},
    {{object::kAlarmWarning, kSlow},
     [](const S& s, W& w) { w.text(s.alarmWarning[0]).text(s.alarmWarning[1]); }},
    {{object::kDataloggerState, kSlow}, [](const S& s, W& w) { w.integer(s.dataloggerState); }},
    {{object::kConnectedSegments, kMedium}, [](const S& s, W& w) { w.integers(s.connectedSegments); }},
    {{object::kCurrentPosition, kFast},
     [](const S& s, W& w) { w.integer(s.currentPo).integer(s.currentSegment).integer(s.onRoute); }},
    {{object::kBarcodePath, kFast},
     [](const S& s, W& w) {
         w.integer(s.barPathKind).integer(s.barSegment).integer(s.barPoFrom).integer(s.barPoTo);
     }},
    {{object::kRouteGeneration, kFast},
     [](const S& s, W& w) {
         w.integer(s.genPathKind).integer(s.genPoFrom).integer(s.genPoTo).integer(s.genVelocityMax);
         w.integer(s.genVelocityConst).integer(s.genProfile).flag(s.endOfRoute == 1);
     }},
    {{object::kGoal, kMedium}, [](const S& s, W& w) { w.integer(s.goalPo).integer(s.goalBarcode); }},
    {{object::kRouteSegment, kFast}, [](const S& s, W& w) { w.text(s.genSegment); }},
    {{object::kGeneratedDistance, kFast},
     [](const S& s, W& w) {
         w.integer(s.genDistanceTotal).integer(s.genDistanceRemaining).integer(s.genDistanceEncoder);
     }},
    {{object::kConnectedDistance, kFast},
     [](const S& s, W& w) { w.integer(s.conDistanceTotal).integer(s.conDistanceEncoder); }},
    {{object::kObstacleField, kMedium}, [](const S& s, W& w) { w.integer(s.obstacleFs); }},
    {{object::kSteeringTarget, kMedium}, [](const S& s, W& w) { w.text(s.steerTarget); }},
    {{object::kSteeringActual, kMedium}, [](const S& s, W& w) { w.text(s.steerActual); }},
    {{object::kInTrafficControlZone, kMedium}, [](const S& s, W& w) { w.flag(s.inTcz); }},
    {{object::kControlPeriod, kMedium},
     [](const S& s, W& w) { w.integer(s.controlPeriod).integer(s.controlPeriodMax).integer(s.runTime); }},
    {{object::kOperationStatus, kMedium}, [](const S& s, W& w) { w.integer(s.operationStatus); }},
    {{object::kManualMoveEcho, kSlow}, [](const S& s, W& w) { w.integers(s.values4031); }},
    {{object::kCommandEcho, kSlow}, [](const S& s, W& w) { w.integers(s.values4032); }},
    {{object::kActualVelocity, kFast}, [](const S& s, W& w) { w.integer(s.actualVelocity); }},
    {{object::kTargetVelocity, kFast}, [](const S& s, W& w) { w.integer(s.targetVelocity); }},
    {{object::kRunDistance, kMedium}, [](const S& s, W& w) { w.real(s.runDistance, 3); }},
    {{object::kObstacleDetect, kMedium}, [](const S& s, W& w) { w.integer(s.obstacleDetect); }},
    {{object::kPhotoSensor, kMedium}, [](const S& s, W& w) { w.integer(s.photoSensor); }},
    {{object::kDigitalInputs, kSlow}, [](const S& s, W& w) { w.integers(s.values6070); }},
    {{object::kDriveControlWords, kMedium},
     [](const S& s, W& w) { w.integer(s.front.controlWord).integer(s.rear.controlWord); }},
    {{object::kDriveStates, kMedium},
     [](const S& s, W& w) {
         w.integer(s.front.statusWord).integer(s.rear.statusWord).integer(s.front.nmtState);
         w.integer(s.rear.nmtState).integer(s.front.servoState).integer(s.rear.servoState);
     }},
    {{object::kFrontPosition, kFast}, [](const S& s, W& w) { w.integer(s.frontPosition); }},
    {{object::kFrontTargetRpm, kFast}, [](const S& s, W& w) { w.real(s.frontTargetRpm, 1); }},
    {{object::kDriveActualRpm, kFast},
     [](const S& s, W& w) { w.real(s.front.actualRpm, 1).real(s.rear.actualRpm, 1); }},
    {{object::kDriveDemandTorque, kFast},
     [](const S& s, W& w) { w.integer(s.frontDemandTorque).integer(s.rearDemandTorque); }},
    {{object::kDriveActualTorque, kFast},
     [](const S& s, W& w) { w.integer(s.front.actualTorque).integer(s.rear.actualTorque); }},
    {{object::kDriveServoStates, kMedium},
     [](const S& s, W& w) { w.integer(s.front.servoState).integer(s.rear.servoState); }},
    {{object::kFieldBusPeriods, kSlow}, [](const S& s, W& w) { w.integers(s.drivePeriods); }},
    {{object::kBrakeState, kMedium}, [](const S& s, W& w) { w.integer(s.brakeState); }},
    {{object::kDriveStatusCodes, kMedium},
     [](const S& s, W& w) { w.integers(s.front.statusCodes).integers(s.rear.statusCodes); }},
    {{object::kCameraPosition, kFast}, [](const S& s, W& w) { w.integer(s.cameraPosition); }},
    {{object::kCameraVelocity, kFast}, [](const S& s, W& w) { w.real(s.cameraVelocity, 3); }},
    {{object::kCameraPeriod, kMedium},
     [](const S& s, W& w) { w.integer(s.cameraPeriod).integer(s.cameraPeriodMax); }},
    {{object::kDriveTemperatures, kSlow}, [](const S& s, W& w) { w.integers(s.values7251); }},
    {{object::kDcBusVoltages, kSlow}, [](const S& s, W& w) { w.integers(s.values7252); }},
    {{object::kDriveCurrents, kSlow}, [](const S& s, W& w) { w.integers(s.values7253); }},
}};

// The values text of the object at `position` of the table.
std::string format(std::size_t position, const S& status) {
    W writer(protocol::kStatusLayouts[position]);
    kFormats[position].write(status, writer);
    return writer.finish();
}

constexpr bool followsTheLayouts(const std::array<ObjectFormat, protocol::kStatusObjectCount>& formats) {
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (formats[i].object.index != protocol::kStatusLayouts[i].index()) {
            return false;
        }
    }
    return true;
}
static_assert(followsTheLayouts(kFormats),
              "the publisher writes every status object of the protocol, in its order");

}  // namespace

const std::vector<PublishedObject>& publishedObjects() {
    static const std::vector<PublishedObject> objects = [] {
        std::vector<PublishedObject> list;
        for (const auto& entry : kFormats) {
            list.push_back(entry.object);
        }
        return list;
    }();
    return objects;
}

const std::vector<std::string>& publishedIndexTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> list;
        for (const auto& entry : kFormats) {
            list.push_back(std::to_string(entry.object.index));
        }
        return list;
    }();
    return texts;
}

std::string statusValuesAt(const VehicleStatus& status, std::size_t position) {
    return format(position, status);
}

std::optional<std::string> statusValues(const VehicleStatus& status, int index) {
    const auto found = std::find_if(kFormats.begin(), kFormats.end(), [index](const ObjectFormat& entry) {
        return entry.object.index == index;
    });
    if (found == kFormats.end()) {
        return std::nullopt;
    }
    return format(static_cast<std::size_t>(found - kFormats.begin()), status);
}

std::vector<StatusMessage> statusMessages(const VehicleStatus& status) {
    std::vector<StatusMessage> messages;
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        messages.push_back({kFormats[i].object.index, format(i, status)});
    }
    return messages;
}

}  // namespace kova::sim
