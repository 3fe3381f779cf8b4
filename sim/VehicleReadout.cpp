#include "sim/VehicleReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "sim/VehicleModel.h"

namespace kova::sim {

namespace {

constexpr double kWheelCircumference = 392.7;  // mm (125 mm wheel)
constexpr double kGearRatio = 8.0;
constexpr std::int64_t kInt32Span = 2147483648LL;  // values that keep counting wrap within int32

int tenths(double value) {
    return static_cast<int>(std::lround(value * 10.0));
}

int wrapped(double value) {
    return static_cast<int>(static_cast<std::int64_t>(std::llround(value)) % kInt32Span);
}

float rpmOf(double velocity) {
    return static_cast<float>(velocity / kWheelCircumference * 60.0 * kGearRatio);
}

}  // namespace

int VehicleReadout::manualStatus() const {
    const TractionDrives& drives = model_.drives();
    const VehicleMotion& motion = model_.motion();
    if (model_.fault().active() || drives.faulted()) {
        return protocol::code(ManualStatus::Fault);
    }
    if (!drives.servoIsOn()) {
        return protocol::code(ManualStatus::ServoOff);
    }
    if (motion.jogDirection() != 0 || motion.velocity() != 0.0) {
        return protocol::code(ManualStatus::Run);
    }
    if (!drives.brakeReleased()) {
        return protocol::code(ManualStatus::Standby);
    }
    return protocol::code(pointAt(model_.map(), motion.location()) ? ManualStatus::ReadyToAutomaticOp
                                                                   : ManualStatus::ReadyActive);
}

int VehicleReadout::automaticStatus() const {
    const TractionDrives& drives = model_.drives();
    if (model_.fault().active() || drives.faulted()) {
        return protocol::code(AutomaticStatus::Fault);
    }
    if (model_.passingStatus() >= 0) {
        return model_.passingStatus();
    }
    if (drives.switchingOn()) {
        return protocol::code(AutomaticStatus::ServoOnActive);
    }
    if (!drives.servoIsOn()) {
        return protocol::code(AutomaticStatus::ServoOffActive);
    }
    return protocol::code(model_.routeActive() ? AutomaticStatus::Run : AutomaticStatus::Standby);
}

int VehicleReadout::operationStatus() const {
    switch (model_.operationState()) {
        case OperationState::ManualOp:
            return manualStatus();
        case OperationState::AutomaticOp:
            return automaticStatus();
        default:
            return 0;
    }
}

// Where the vehicle stands: the segment under it, the last point passed, the obstacle sensor.
void VehicleReadout::fillPosition(VehicleStatus& out) const {
    const VehicleMotion& motion = model_.motion();
    const ObstacleGenerator& obstacles = model_.obstacles();
    const TrackSegment& segment = *model_.map().segment(motion.location().segment);
    out.currentPo = motion.currentPoint();
    out.currentSegment = segment.id;
    out.barPathKind = protocol::code(segment.kind);
    out.barSegment = segment.id;
    out.barPoFrom = segment.from;
    out.barPoTo = segment.to;
    out.conDistanceTotal = tenths(segment.length);
    out.conDistanceEncoder = tenths(motion.location().offset);
    out.obstacleFs = obstacles.enabled() ? protocol::code(segment.kind) : -1;
    out.obstacleDetect = protocol::code(obstacles.level());
    out.photoSensor = obstacles.photoSensor() ? 1 : 0;
    out.steerTarget = model_.steerTarget();
    out.steerActual = model_.steerActual();
    out.inTcz = segment.inTcz;
}

// The route being generated: upcoming segments, the goal, and the leg under the vehicle.
void VehicleReadout::fillRoute(VehicleStatus& out) const {
    const RouteDriving& driving = model_.routeDriving();
    const RouteDriver* route = driving.driver();
    const auto connected =
        route != nullptr ? route->upcomingSegments(5) : std::vector<int>{model_.motion().location().segment};
    std::copy(connected.begin(), connected.end(), out.connectedSegments.begin());
    out.onRoute = driving.active() ? 1 : 0;
    const int goal = route != nullptr ? driving.routeGoal() : driving.goalPoint();
    if (const TrackPoint* point = model_.map().point(goal)) {
        out.goalPo = goal;
        out.goalBarcode = point->barcode;
    }
    if (route == nullptr) {
        return;
    }
    const VelocityProfile& profile = route->profile();
    out.genProfile = protocol::code(profile.phase());
    out.endOfRoute = route->finished() ? 1 : 0;
    out.genDistanceTotal = tenths(profile.distance());
    out.genDistanceRemaining = tenths(profile.remaining());
    out.genDistanceEncoder = tenths(profile.position());
    const int leg = route->legIndex();
    if (leg < 0) {
        out.genPoFrom = out.genPoTo = driving.routeGoal();
        return;
    }
    const TrackSegment& segment = *model_.map().segment(route->route().legs[leg].segment);
    out.genPathKind = protocol::code(segment.kind);
    out.genPoFrom = segment.from;
    out.genPoTo = segment.to;
    out.genVelocityMax = static_cast<int>(std::lround(segment.maxVelocity));
    out.genVelocityConst =
        static_cast<int>(std::lround(std::min(segment.maxVelocity, profile.cruiseVelocity())));
    out.genSegment =
        std::to_string(segment.id) + ":" + std::to_string(segment.from) + ">" + std::to_string(segment.to);
}

// The controller's own figures: periods, run time, velocities and the operator's last commands.
void VehicleReadout::fillControl(VehicleStatus& out) const {
    const Telemetry& telemetry = model_.telemetry();
    const VehicleMotion& motion = model_.motion();
    const CommandEcho& echo = model_.commandEcho();
    out.controlPeriod = telemetry.control.actual;
    out.controlPeriodMax = telemetry.control.max;
    out.runTime = wrapped(model_.time() * 1e6);
    out.values4031 = {echo.manualMove, static_cast<int>(motion.jogVelocity()), motion.jogDirection()};
    out.values4032 = {echo.control, echo.servo, model_.mode()};
    out.actualVelocity = tenths(motion.velocity());
    out.targetVelocity = tenths(motion.targetVelocity());
    out.runDistance = static_cast<float>(motion.runDistance() / 1000.0);
    out.values6070 = {out.photoSensor, model_.drives().brakeReleased() ? 1 : 0, 480, 352};
}

void VehicleReadout::fillDrives(VehicleStatus& out) const {
    const TractionDrives& drives = model_.drives();
    const VehicleMotion& motion = model_.motion();
    const Telemetry& telemetry = model_.telemetry();
    const double velocity = motion.velocity();
    const int servo = protocol::code(drives.servoState());
    const int nmt = protocol::code(drives.nmtState());
    const int inputs = (drives.brakeReleased() ? 0x1 : 0) | (drives.servoIsOn() ? 0x2 : 0);
    const double torque =
        velocity == 0.0 ? 0.0 : std::copysign(40.0, velocity) + motion.acceleration() * 0.25;
    out.front = {drives.controlWord(),
                 drives.statusWord(),
                 nmt,
                 servo,
                 rpmOf(velocity),
                 static_cast<int>(std::lround(torque * 0.97)),
                 {drives.errorCode(), inputs, 9}};
    out.rear = {drives.controlWord(),
                drives.statusWord(),
                nmt,
                servo,
                rpmOf(velocity * 0.998),
                static_cast<int>(std::lround(torque * 0.95)),
                {drives.errorCode(), inputs, 9}};
    out.frontPosition = wrapped(motion.odometer() * 10.0);
    out.frontTargetRpm = rpmOf(motion.targetVelocity());
    out.frontDemandTorque = out.rearDemandTorque = static_cast<int>(std::lround(torque));
    out.drivePeriods = {telemetry.pdo.actual,         telemetry.pdo.max,
                        telemetry.nodeguard.actual,   telemetry.nodeguard.max,
                        telemetry.controlword.actual, telemetry.controlword.max};
    out.brakeState = drives.brakeReleased() ? 1 : 0;
    out.values7251 = {352 + static_cast<int>(std::abs(torque) / 10), 348};  // drive temperatures, 0.1 °C
    out.values7252 = {480, 479};                                            // DC bus, 0.1 V
    out.values7253 = {static_cast<int>(std::abs(torque) / 4), static_cast<int>(std::abs(torque) / 4)};
}

VehicleStatus VehicleReadout::status() const {
    VehicleStatus out;
    const OperationState state = model_.operationState();
    const bool operating = state == OperationState::ManualOp || state == OperationState::AutomaticOp;
    out.operationState = protocol::code(state);
    out.operationStatus = operationStatus();
    out.dataloggerState =
        protocol::code(operating ? protocol::DataloggerState::Logging : protocol::DataloggerState::Stop);
    out.alarmFault = {model_.fault().code, model_.fault().name};
    out.alarmWarning = {model_.warning().code, model_.warning().name};
    fillPosition(out);
    fillRoute(out);
    fillControl(out);
    fillDrives(out);
    const VehicleMotion& motion = model_.motion();
    out.cameraPosition = barcodeAt(model_.map(), motion.location());
    out.cameraVelocity = static_cast<float>(motion.velocity() / 1000.0);
    out.cameraPeriod = model_.telemetry().camera.actual;
    out.cameraPeriodMax = model_.telemetry().camera.max;
    return out;
}

}  // namespace kova::sim
