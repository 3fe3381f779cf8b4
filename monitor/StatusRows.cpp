#include "monitor/StatusRows.h"

#include <cstdint>

#include <fmt/printf.h>

#include "base/TextCells.h"

#include "protocol/StateCodes.h"

namespace kova {

namespace {

using protocol::dataloggerStateName;
using protocol::nmtStateName;
using protocol::obstacleDetectName;
using protocol::operationStateName;
using protocol::pathKindName;
using protocol::servoStateName;
using protocol::velocityPhaseName;

// The screen's printf formats, kept exactly (field widths, %x of a 32-bit value), type-checked.
template <typename... Args>
std::string formatText(const char* format, const Args&... args) {
    return fmt::sprintf(format, args...);
}

// A text from the controller as the screen can show it (TextCells): no byte of it moves the cursor
// or breaks a row. Up to a NUL, as printf would take it.
std::string shown(const std::string& text) {
    return displayText(text.c_str());
}

// Scalings: `scaleDouble` multiplies in double; `scaleFloat` multiplies in single precision and
// widens the product for printing.
double scaleDouble(std::int32_t value, double factor) {
    return static_cast<double>(value) * factor;
}

double scaleFloat(std::int32_t value, float factor) {
    return static_cast<double>(static_cast<float>(value) * factor);
}

// a - b in 32-bit arithmetic, wrapping instead of overflowing.
std::int32_t wrappedDifference(std::int32_t a, std::int32_t b) {
    const std::uint32_t bits = static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b);
    return bits <= INT32_MAX ? static_cast<std::int32_t>(bits) : -static_cast<std::int32_t>(~bits) - 1;
}

// |a - b| of the 32-bit difference; the magnitude of INT32_MIN needs 64 bits.
long long absoluteDifference(std::int32_t a, std::int32_t b) {
    const long long difference = wrappedDifference(a, b);
    return difference < 0 ? -difference : difference;
}

unsigned hex(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

const char* yesNo(bool yes) {
    return yes ? "Y" : "N";
}

void addStateRows(const StatusRecord& r, std::vector<StatusItem>& items) {
    items.push_back({0, 0, formatText(":State(%s)", operationStateName(r.operationState).c_str())});
    items.push_back({0, 25, formatText(":Status(%s)", statusText(r).c_str())});
    items.push_back(
        {0, 60,
         formatText(":Control period(T:<4004>|A:%.2f|Amax:%.2f)ms", scaleDouble(r.controlPeriodActual, 0.001),
                    scaleDouble(r.controlPeriodMax, 0.001))});
    items.push_back({1, 0, formatText(":Datalogger(%s)", dataloggerStateName(r.dataloggerState).c_str())});
    items.push_back({1, 25,
                     formatText("run(%.3fs|%.3fm)", scaleDouble(r.runTime, 0.000001),
                                static_cast<double>(r.runDistance))});
    items.push_back({1, 60,
                     formatText(":Alarm warning(%8s|%8s) fault(%8s|%8s)", shown(r.alarmWarning[0]),
                                shown(r.alarmWarning[1]), shown(r.alarmFault[0]), shown(r.alarmFault[1]))});
    items.push_back({2, 50,
                     formatText("Vel: (T:%.4f|A:%.4f|E:%.4f)[m/s]", scaleFloat(r.targetVelocity, 0.0001f),
                                scaleFloat(r.actualVelocity, 0.0001f),
                                scaleFloat(wrappedDifference(r.targetVelocity, r.actualVelocity), 0.0001f))});
}

void addRouteRows(const StatusRecord& r, std::vector<StatusItem>& items) {
    items.push_back({5, 0,
                     formatText(":Navigate routemap<3041> steer(T:%s|A:%s|timeout<3051>ms) "
                                "obstacle(use<4026>|fs:%d|detect:%s|photo:%s)",
                                shown(r.steerTarget), shown(r.steerActual), r.obstacleFs,
                                obstacleDetectName(r.obstacleDetect).c_str(), yesNo(r.photoSensor == 1))});
    items.push_back({6, 1,
                     formatText("R-Cur: po(%3d) seg(%3d) on_route(%s) TCZ(%s)", r.currentPo, r.currentSegment,
                                yesNo(r.onRoute == 1), yesNo(r.inTcz))});
    items.push_back({6, 50,
                     formatText("R-Bar: %s seg(%3d) po(%3d,%3d)", pathKindName(r.barPathKind).c_str(),
                                r.barSegment, r.barPoFrom, r.barPoTo)});
    const RouteGenStatus& g = r.routeGen;
    items.push_back({7, 1,
                     formatText("R-Gen: goal(po:%3d|Barcode:%10d|Berr:%10lld) %s V(max:%.3f|const:%.3f)m/s "
                                "profile(%s) EoR(%s) ",
                                r.goalPo, r.goalBarcode, absoluteDifference(r.goalBarcode, r.cameraPosition),
                                pathKindName(g.pathKind).c_str(), scaleDouble(g.velocityMax, 0.001),
                                scaleDouble(g.velocityConst, 0.001), velocityPhaseName(g.profile).c_str(),
                                yesNo(g.endOfRoute))});
    items.push_back({8, 1, formatText("      po(%d,%d) seg(%s)", g.poFrom, g.poTo, shown(g.segment))});
    const auto& s = r.connectedSegments;
    items.push_back({9, 1, formatText("R-Con: seg(%d < %d < %d < %d < %d)", s[0], s[1], s[2], s[3], s[4])});
    items.push_back(
        {9, 40,
         formatText("R-Dis: GEN(tot:%.1f|rem:%.1f|enc:%.1f)mm CON(tot:%.1f|enc:%.1f)mm",
                    scaleFloat(r.genDistanceTotal, 0.1f), scaleFloat(r.genDistanceRemaining, 0.1f),
                    scaleFloat(r.genDistanceEncoder, 0.1f), scaleFloat(r.conDistanceTotal, 0.1f),
                    scaleFloat(r.conDistanceEncoder, 0.1f))});
}

void addServoRows(const StatusRecord& r, std::vector<StatusItem>& items) {
    const DriveStatus& f = r.frontDrive;
    const DriveStatus& b = r.rearDrive;
    items.push_back({10, 0,
                     formatText(":TractionServo state(F:%s, R:%s) nmt(F:%s, R:%s) brake(%s) pos(F:%d)",
                                servoStateName(f.servoState).c_str(), servoStateName(b.servoState).c_str(),
                                nmtStateName(f.nmtState).c_str(), nmtStateName(b.nmtState).c_str(),
                                r.brakeState == 1 ? "rel" : "loc", f.position)});
    items.push_back(
        {11, 1,
         formatText("Period: pdo( %2.2f|max: %2.2f)ms controlword( %2.2f|max: %2.2f)ms "
                    "nodeguard( %2.2f|max: %2.2f)",
                    scaleDouble(r.pdoPeriod, 0.001), scaleDouble(r.pdoPeriodMax, 0.001),
                    scaleDouble(r.controlwordPeriod, 0.001), scaleDouble(r.controlwordPeriodMax, 0.001),
                    scaleDouble(r.nodeguardPeriod, 0.001), scaleDouble(r.nodeguardPeriodMax, 0.001))});
}

void addDriveRows(const StatusRecord& r, std::vector<StatusItem>& items) {
    const DriveStatus& f = r.frontDrive;
    const DriveStatus& b = r.rearDrive;
    items.push_back({12, 1, formatText("Front: cw(%8x) sw(%8x)", hex(f.controlWord), hex(f.statusWord))});
    items.push_back({12, 35,
                     formatText("vel(T: %4.1f|A: %4.1f)rpm", static_cast<double>(f.targetRpm),
                                static_cast<double>(f.actualRpm))});
    items.push_back({12, 70,
                     formatText("torq(D: %3.1f|A: %3.1f)%%", scaleFloat(f.demandTorque, 0.1f),
                                scaleFloat(f.actualTorque, 0.1f))});
    items.push_back({12, 96,
                     formatText("status(%4x|%4x|%4x)", hex(f.statusCodes[0]), hex(f.statusCodes[1]),
                                hex(f.statusCodes[2]))});
    items.push_back({13, 1, formatText("Rear:  cw(%8x) sw(%8x)", hex(b.controlWord), hex(b.statusWord))});
    // The rear drive publishes no target of its own; the row shows the front drive's.
    items.push_back({13, 35,
                     formatText("vel(T: %4.1f|A: %4.1f)rpm", static_cast<double>(f.targetRpm),
                                static_cast<double>(b.actualRpm))});
    items.push_back({13, 70, formatText("torq(A: %3.1f)%%", scaleFloat(b.actualTorque, 0.1f))});
    items.push_back({13, 96,
                     formatText("status(%4x|%4x|%4x)", hex(b.statusCodes[0]), hex(b.statusCodes[1]),
                                hex(b.statusCodes[2]))});
    items.push_back({14, 0, ":BarcodeCamera"});
    items.push_back({14, 30,
                     formatText("pos: %10d vel: %2.1fm/s period(%2.2f|max:%2.2f)ms", r.cameraPosition,
                                static_cast<double>(r.cameraVelocity), scaleDouble(r.cameraPeriod, 0.001),
                                scaleDouble(r.cameraPeriodMax, 0.001))});
}

}  // namespace

std::string statusText(const StatusRecord& record) {
    switch (static_cast<protocol::OperationState>(record.operationState)) {
        case protocol::OperationState::ManualOp:
            return protocol::manualStatusName(record.operationStatus);
        case protocol::OperationState::AutomaticOp:
            return protocol::automaticStatusName(record.operationStatus);
        default:
            return std::string();
    }
}

std::vector<StatusItem> formatStatusItems(const StatusRecord& record) {
    std::vector<StatusItem> items;
    items.reserve(26);
    addStateRows(record, items);
    addRouteRows(record, items);
    addServoRows(record, items);
    addDriveRows(record, items);
    return items;
}

}  // namespace kova
