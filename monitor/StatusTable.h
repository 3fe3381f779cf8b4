#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "monitor/StatusRecord.h"

namespace kova {

// What became of one status message.
enum class StatusOutcome {
    Stored,            // every value of the message was stored
    ConversionFailed,  // a value did not convert: the values before it are stored, the rest dropped
    Ignored,           // unknown index, or a value count the index does not take: record untouched
    Discarded,         // empty values text or an index that is not a number: record untouched
};

// The table of the status objects the monitor understands: for each object index, how many values
// it takes, how each converts and where it goes. Written once for any `Values` source, so the fast
// handler and a plain reference built from the standard conversions share it. `Values` provides:
//   std::size_t count() const;                       number of values in the message
//   bool toInt(std::size_t i, std::int32_t& field);   convert value i as std::stoi; store on success
//   bool toFloat(std::size_t i, float& field);        convert value i as std::stof; store on success
//   void toText(std::size_t i, std::string& field);   store value i unchanged
//   bool isOne(std::size_t i) const;                  value i is exactly "1"
// Values are converted in order and each is stored right after its conversion; the first failure
// ends the message.
namespace status_table {

template <class Values>
StatusOutcome intPrefix(Values& values, std::size_t n, std::initializer_list<std::int32_t*> fields) {
    std::size_t i = 0;
    for (std::int32_t* field : fields) {
        if (i == n) {
            break;
        }
        if (!values.toInt(i++, *field)) {
            return StatusOutcome::ConversionFailed;
        }
    }
    return StatusOutcome::Stored;
}

template <class Values>
StatusOutcome ints(Values& values, std::initializer_list<std::int32_t*> fields) {
    if (values.count() != fields.size()) {
        return StatusOutcome::Ignored;
    }
    return intPrefix(values, fields.size(), fields);
}

template <class Values>
StatusOutcome floats(Values& values, std::initializer_list<float*> fields) {
    if (values.count() != fields.size()) {
        return StatusOutcome::Ignored;
    }
    std::size_t i = 0;
    for (float* field : fields) {
        if (!values.toFloat(i++, *field)) {
            return StatusOutcome::ConversionFailed;
        }
    }
    return StatusOutcome::Stored;
}

template <class Values>
StatusOutcome texts(Values& values, std::initializer_list<std::string*> fields) {
    if (values.count() != fields.size()) {
        return StatusOutcome::Ignored;
    }
    std::size_t i = 0;
    for (std::string* field : fields) {
        values.toText(i++, *field);
    }
    return StatusOutcome::Stored;
}

// Objects below 3000: operation, alarms, data logger.
template <class Values>
StatusOutcome storeGeneral(int index, Values& v, StatusRecord& r) {
    switch (index) {
        case 111:
            return ints(v, {&r.operationState});
        case 500:
            return texts(v, {&r.alarmFault[0], &r.alarmFault[1]});
        case 501:
            return texts(v, {&r.alarmWarning[0], &r.alarmWarning[1]});
        case 1902:
            return ints(v, {&r.dataloggerState});
        default:
            return StatusOutcome::Ignored;
    }
}

// The route generation row: six integers, then end-of-route, true when its integer is 1.
template <class Values>
StatusOutcome storeRouteGen(Values& v, RouteGenStatus& g) {
    if (v.count() != 7) {
        return StatusOutcome::Ignored;
    }
    if (intPrefix(v, 6, {&g.pathKind, &g.poFrom, &g.poTo, &g.velocityMax, &g.velocityConst, &g.profile}) !=
        StatusOutcome::Stored) {
        return StatusOutcome::ConversionFailed;
    }
    std::int32_t end = 0;
    if (!v.toInt(6, end)) {
        return StatusOutcome::ConversionFailed;
    }
    g.endOfRoute = end == 1;
    return StatusOutcome::Stored;
}

// Objects 3000 to 3999: route position, route generation, distances, steering, obstacle.
template <class Values>
StatusOutcome storeRoute(int index, Values& v, StatusRecord& r) {
    switch (index) {
        case 3008: {
            auto& s = r.connectedSegments;
            return ints(v, {&s[0], &s[1], &s[2], &s[3], &s[4]});
        }
        case 3009:
            return ints(v, {&r.currentPo, &r.currentSegment, &r.onRoute});
        case 3010:
            return ints(v, {&r.barPathKind, &r.barSegment, &r.barPoFrom, &r.barPoTo});
        case 3011:
            return storeRouteGen(v, r.routeGen);
        case 3012:
            return ints(v, {&r.goalPo, &r.goalBarcode});
        case 3021:
            return texts(v, {&r.routeGen.segment});
        case 3037:
            return ints(v, {&r.genDistanceTotal, &r.genDistanceRemaining, &r.genDistanceEncoder});
        case 3038:
            return ints(v, {&r.conDistanceTotal, &r.conDistanceEncoder});
        case 3040:
            return ints(v, {&r.obstacleFs});
        case 3050:
            return texts(v, {&r.steerTarget});
        case 3060:
            return texts(v, {&r.steerActual});
        case 3065:
            if (v.count() != 1) {
                return StatusOutcome::Ignored;
            }
            r.inTcz = v.isOne(0);
            return StatusOutcome::Stored;
        default:
            return StatusOutcome::Ignored;
    }
}

// Objects 4000 to 6999: control periods, operation status, velocities, run distance, obstacle.
template <class Values>
StatusOutcome storeControl(int index, Values& v, StatusRecord& r) {
    switch (index) {
        case 4005:
            return ints(v, {&r.controlPeriodActual, &r.controlPeriodMax, &r.runTime});
        case 4021:
            return ints(v, {&r.operationStatus});
        case 4031:
            return ints(v, {&r.values4031[0], &r.values4031[1], &r.values4031[2]});
        case 4032:
            return ints(v, {&r.values4032[0], &r.values4032[1], &r.values4032[2]});
        case 4034:
            return ints(v, {&r.actualVelocity});
        case 4035:
            return ints(v, {&r.targetVelocity});
        case 4061:
            return floats(v, {&r.runDistance});
        case 5001:
            return ints(v, {&r.obstacleDetect});
        case 5002:
            return ints(v, {&r.photoSensor});
        case 6070: {
            auto& s = r.values6070;
            return ints(v, {&s[0], &s[1], &s[2], &s[3]});
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
    const std::size_t n = v.count();
    switch (index) {
        case 7022:
            return ints(v, {&f.controlWord, &b.controlWord});
        case 7023:  // 6, 4 or 2 values fill that many of the fields, in this order
            if (n != 6 && n != 4 && n != 2) {
                return StatusOutcome::Ignored;
            }
            return intPrefix(
                v, n, {&f.statusWord, &b.statusWord, &f.nmtState, &b.nmtState, &f.servoState, &b.servoState});
        case 7024:
            return ints(v, {&f.position});
        case 7027:
            return floats(v, {&f.targetRpm});
        case 7028:
            return floats(v, {&f.actualRpm, &b.actualRpm});
        case 7029:  // the second value must be there, but only the first is read
            return n == 2 ? intPrefix(v, 1, {&f.demandTorque}) : StatusOutcome::Ignored;
        case 7030:
            return ints(v, {&f.actualTorque, &b.actualTorque});
        case 7031:
            return ints(v, {&f.servoState, &b.servoState});
        case 7033:  // 6 or 2 values; node guard comes before control word here
            if (n != 6 && n != 2) {
                return StatusOutcome::Ignored;
            }
            return intPrefix(v, n,
                             {&r.pdoPeriod, &r.pdoPeriodMax, &r.nodeguardPeriod, &r.nodeguardPeriodMax,
                              &r.controlwordPeriod, &r.controlwordPeriodMax});
        case 7034:
            return ints(v, {&r.brakeState});
        case 7035:
            return ints(v, {&f.statusCodes[0], &f.statusCodes[1], &f.statusCodes[2], &b.statusCodes[0],
                            &b.statusCodes[1], &b.statusCodes[2]});
        default:
            return StatusOutcome::Ignored;
    }
}

// Objects 7100 and up: barcode camera and the objects kept but not shown.
template <class Values>
StatusOutcome storeCamera(int index, Values& v, StatusRecord& r) {
    switch (index) {
        case 7120:
            return ints(v, {&r.cameraPosition});
        case 7122:
            return floats(v, {&r.cameraVelocity});
        case 7123:
            return ints(v, {&r.cameraPeriod, &r.cameraPeriodMax});
        case 7251:
            return ints(v, {&r.values7251[0], &r.values7251[1]});
        case 7252:
            return ints(v, {&r.values7252[0], &r.values7252[1]});
        case 7253:
            return ints(v, {&r.values7253[0], &r.values7253[1]});
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
