#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "monitor/StatusRecord.h"
#include "protocol/StatusLayout.h"

namespace kova {

// What became of one status message.
enum class StatusOutcome {
    Stored,            // every value of the message was stored
    ConversionFailed,  // a value did not convert: the values before it are stored, the rest dropped
    Ignored,           // unknown index, or a value count the index does not take: record untouched
    Discarded,         // empty values text or an index that is not a number: record untouched
};

// Where the values of each status object go in the record. The value counts and kinds are the
// protocol's (protocol/StatusLayout.h); this table only names the fields, one per value read, and
// the compiler checks each field's type against its value's kind. Written once for any `Values`
// source, so the fast handler and a plain reference built from the standard conversions share it.
// `Values` provides:
//   std::size_t count() const;                       number of values in the message
//   bool toInt(std::size_t i, std::int32_t& field);   convert value i as std::stoi; store on success
//   bool toFloat(std::size_t i, float& field);        convert value i as std::stof; store on success
//   void toText(std::size_t i, std::string& field);   store value i unchanged
//   bool isOne(std::size_t i) const;                  value i is exactly "1"
// Values are converted in order and each is stored right after its conversion; the first failure
// ends the message.
namespace status_table {

namespace object = protocol::object;
using protocol::ValueKind;

// Converts value `i` of kind `Kind` into `field`; false when the conversion failed.
template <ValueKind Kind, class Values, class Field>
bool storeValue(Values& values, std::size_t i, Field& field) {
    if constexpr (Kind == ValueKind::Int) {
        static_assert(std::is_same_v<Field, std::int32_t>, "an int value goes into an int field");
        return values.toInt(i, field);
    } else if constexpr (Kind == ValueKind::Float) {
        static_assert(std::is_same_v<Field, float>, "a float value goes into a float field");
        return values.toFloat(i, field);
    } else if constexpr (Kind == ValueKind::Text) {
        static_assert(std::is_same_v<Field, std::string>, "a text value goes into a text field");
        values.toText(i, field);
        return true;
    } else if constexpr (Kind == ValueKind::IntFlag) {
        static_assert(std::is_same_v<Field, bool>, "a flag goes into a bool field");
        std::int32_t number = 0;
        if (!values.toInt(i, number)) {
            return false;
        }
        field = number == 1;
        return true;
    } else {
        static_assert(Kind == ValueKind::TextFlag && std::is_same_v<Field, bool>,
                      "a flag goes into a bool field");
        field = values.isOne(i);
        return true;
    }
}

template <int Index, class Values, class... Fields, std::size_t... I>
StatusOutcome storeFields(Values& values, std::index_sequence<I...>, Fields&... fields) {
    constexpr protocol::ObjectLayout layout = protocol::statusLayout(Index);
    constexpr bool shorterForms = layout.hasShorterForms();
    const std::size_t count = values.count();
    if (!layout.accepts(count)) {
        return StatusOutcome::Ignored;
    }
    // A shorter form fills only its first fields; the full form fills them all.
    const bool stored =
        (((shorterForms && I >= count) || storeValue<layout.kind(I)>(values, I, fields)) && ...);
    return stored ? StatusOutcome::Stored : StatusOutcome::ConversionFailed;
}

// Stores the values of object `Index` into `fields`, one field per value the layout reads, in value
// order.
template <int Index, class Values, class... Fields>
StatusOutcome store(Values& values, Fields&... fields) {
    static_assert(sizeof...(Fields) == protocol::statusLayout(Index).readCount(), "one field per value read");
    return storeFields<Index>(values, std::index_sequence_for<Fields...>{}, fields...);
}

// Objects below 3000: operation, alarms, data logger.
template <class Values>
StatusOutcome storeGeneral(int index, Values& v, StatusRecord& r) {
    switch (index) {
        case object::kOperationState:
            return store<object::kOperationState>(v, r.operationState);
        case object::kAlarmFault:
            return store<object::kAlarmFault>(v, r.alarmFault[0], r.alarmFault[1]);
        case object::kAlarmWarning:
            return store<object::kAlarmWarning>(v, r.alarmWarning[0], r.alarmWarning[1]);
        case object::kDataloggerState:
            return store<object::kDataloggerState>(v, r.dataloggerState);
        default:
            return StatusOutcome::Ignored;
    }
}

// Objects 3000 to 3999: route position, route generation, distances, steering, obstacle.
template <class Values>
StatusOutcome storeRoute(int index, Values& v, StatusRecord& r) {
    RouteGenStatus& g = r.routeGen;
    switch (index) {
        case object::kConnectedSegments: {
            auto& s = r.connectedSegments;
            return store<object::kConnectedSegments>(v, s[0], s[1], s[2], s[3], s[4]);
        }
        case object::kCurrentPosition:
            return store<object::kCurrentPosition>(v, r.currentPo, r.currentSegment, r.onRoute);
        case object::kBarcodePath:
            return store<object::kBarcodePath>(v, r.barPathKind, r.barSegment, r.barPoFrom, r.barPoTo);
        case object::kRouteGeneration:
            return store<object::kRouteGeneration>(v, g.pathKind, g.poFrom, g.poTo, g.velocityMax,
                                                   g.velocityConst, g.profile, g.endOfRoute);
        case object::kGoal:
            return store<object::kGoal>(v, r.goalPo, r.goalBarcode);
        case object::kRouteSegment:
            return store<object::kRouteSegment>(v, g.segment);
        case object::kGeneratedDistance:
            return store<object::kGeneratedDistance>(v, r.genDistanceTotal, r.genDistanceRemaining,
                                                     r.genDistanceEncoder);
        case object::kConnectedDistance:
            return store<object::kConnectedDistance>(v, r.conDistanceTotal, r.conDistanceEncoder);
        case object::kObstacleField:
            return store<object::kObstacleField>(v, r.obstacleFs);
        case object::kSteeringTarget:
            return store<object::kSteeringTarget>(v, r.steerTarget);
        case object::kSteeringActual:
            return store<object::kSteeringActual>(v, r.steerActual);
        case object::kInTrafficControlZone:
            return store<object::kInTrafficControlZone>(v, r.inTcz);
        default:
            return StatusOutcome::Ignored;
    }
}

// Objects 4000 to 6999: control periods, operation status, velocities, run distance, obstacle.
template <class Values>
StatusOutcome storeControl(int index, Values& v, StatusRecord& r) {
    switch (index) {
        case object::kControlPeriod:
            return store<object::kControlPeriod>(v, r.controlPeriodActual, r.controlPeriodMax, r.runTime);
        case object::kOperationStatus:
            return store<object::kOperationStatus>(v, r.operationStatus);
        case object::kManualMoveEcho: {
            auto& s = r.values4031;
            return store<object::kManualMoveEcho>(v, s[0], s[1], s[2]);
        }
        case object::kCommandEcho: {
            auto& s = r.values4032;
            return store<object::kCommandEcho>(v, s[0], s[1], s[2]);
        }
        case object::kActualVelocity:
            return store<object::kActualVelocity>(v, r.actualVelocity);
        case object::kTargetVelocity:
            return store<object::kTargetVelocity>(v, r.targetVelocity);
        case object::kRunDistance:
            return store<object::kRunDistance>(v, r.runDistance);
        case object::kObstacleDetect:
            return store<object::kObstacleDetect>(v, r.obstacleDetect);
        case object::kPhotoSensor:
            return store<object::kPhotoSensor>(v, r.photoSensor);
        case object::kDigitalInputs: {
            auto& s = r.values6070;
            return store<object::kDigitalInputs>(v, s[0], s[1], s[2], s[3]);
        }
        default:
            return StatusOutcome::Ignored;
    }
}

// Objects 7000 to 7099: the two traction drives.
template <class Values>
StatusOutcome storeDrives(int index, Values& v, StatusRecord& r) {
    DriveStatus& f = r.frontDrive;
    DriveStatus& b = r.rearDrive;
    switch (index) {
        case object::kDriveControlWords:
            return store<object::kDriveControlWords>(v, f.controlWord, b.controlWord);
        case object::kDriveStates:
            return store<object::kDriveStates>(v, f.statusWord, b.statusWord, f.nmtState, b.nmtState,
                                               f.servoState, b.servoState);
        case object::kFrontPosition:
            return store<object::kFrontPosition>(v, f.position);
        case object::kFrontTargetRpm:
            return store<object::kFrontTargetRpm>(v, f.targetRpm);
        case object::kDriveActualRpm:
            return store<object::kDriveActualRpm>(v, f.actualRpm, b.actualRpm);
        case object::kDriveDemandTorque:
            return store<object::kDriveDemandTorque>(v, f.demandTorque);
        case object::kDriveActualTorque:
            return store<object::kDriveActualTorque>(v, f.actualTorque, b.actualTorque);
        case object::kDriveServoStates:
            return store<object::kDriveServoStates>(v, f.servoState, b.servoState);
        case object::kFieldBusPeriods:  // node guard comes before control word here
            return store<object::kFieldBusPeriods>(v, r.pdoPeriod, r.pdoPeriodMax, r.nodeguardPeriod,
                                                   r.nodeguardPeriodMax, r.controlwordPeriod,
                                                   r.controlwordPeriodMax);
        case object::kBrakeState:
            return store<object::kBrakeState>(v, r.brakeState);
        case object::kDriveStatusCodes:
            return store<object::kDriveStatusCodes>(v, f.statusCodes[0], f.statusCodes[1], f.statusCodes[2],
                                                    b.statusCodes[0], b.statusCodes[1], b.statusCodes[2]);
        default:
            return StatusOutcome::Ignored;
    }
}

// Objects 7100 and up: barcode camera and the objects kept but not shown.
template <class Values>
StatusOutcome storeCamera(int index, Values& v, StatusRecord& r) {
    switch (index) {
        case object::kCameraPosition:
            return store<object::kCameraPosition>(v, r.cameraPosition);
        case object::kCameraVelocity:
            return store<object::kCameraVelocity>(v, r.cameraVelocity);
        case object::kCameraPeriod:
            return store<object::kCameraPeriod>(v, r.cameraPeriod, r.cameraPeriodMax);
        case object::kDriveTemperatures:
            return store<object::kDriveTemperatures>(v, r.values7251[0], r.values7251[1]);
        case object::kDcBusVoltages:
            return store<object::kDcBusVoltages>(v, r.values7252[0], r.values7252[1]);
        case object::kDriveCurrents:
            return store<object::kDriveCurrents>(v, r.values7253[0], r.values7253[1]);
        default:
            return StatusOutcome::Ignored;
    }
}

}  // namespace status_table

// Stores the values of object `index` into `record` by the table above.
template <class Values>
StatusOutcome storeStatusValues(int index, Values& values, StatusRecord& record) {
    if (index < 3000) {
        return status_table::storeGeneral(index, values, record);
    }
    if (index < 4000) {
        return status_table::storeRoute(index, values, record);
    }
    if (index < 7000) {
        return status_table::storeControl(index, values, record);
    }
    if (index < 7100) {
        return status_table::storeDrives(index, values, record);
    }
    return status_table::storeCamera(index, values, record);
}

}  // namespace kova
