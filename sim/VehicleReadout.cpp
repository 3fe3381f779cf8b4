// The vehicle's published values, gathered from the model in the controller's units.
#include <algorithm>
#include <cmath>

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

int VehicleModel::manualStatus() const {
    if (fault_.active() || drives_.faulted()) {
        return static_cast<int>(ManualStatus::Fault);
    }
    if (!drives_.servoIsOn()) {
        return static_cast<int>(ManualStatus::ServoOff);
    }
    if (jogDirection_ != 0 || velocity_ != 0.0) {
        return static_cast<int>(ManualStatus::Run);
    }
    if (!drives_.brakeReleased()) {
        return static_cast<int>(ManualStatus::Standby);
    }
    return static_cast<int>(pointAt(map_, location_) ? ManualStatus::ReadyToAutomaticOp
                                                     : ManualStatus::ReadyActive);
}

int VehicleModel::automaticStatus() const {
    if (fault_.active() || drives_.faulted()) {
        return static_cast<int>(AutomaticStatus::Fault);
    }
    if (shownStatus_ >= 0) {
        return shownStatus_;
    }
    if (drives_.switchingOn()) {
        return static_cast<int>(AutomaticStatus::ServoOnActive);
    }
    if (!drives_.servoIsOn()) {
        return static_cast<int>(AutomaticStatus::ServoOffActive);
    }
    return static_cast<int>(routeActive() ? AutomaticStatus::Run : AutomaticStatus::Standby);
}

int VehicleModel::operationStatus() const {
    if (state_ == OperationState::ManualOp) {
        return manualStatus();
    }
    if (state_ == OperationState::AutomaticOp) {
        return automaticStatus();
    }
    return 0;
}

void VehicleModel::fillRoute(VehicleStatus& out) const {
    const auto connected = route_ ? route_->upcomingSegments(5) : std::vector<int>{location_.segment};
    std::copy(connected.begin(), connected.end(), out.connectedSegments.begin());
    out.onRoute = routeActive() ? 1 : 0;
    const int goal = route_ ? routeGoal_ : goalPoint_;
    if (const TrackPoint* point = map_.point(goal)) {
        out.goalPo = goal;
        out.goalBarcode = point->barcode;
    }
    if (!route_) {
        return;
    }
    const VelocityProfile& profile = route_->profile();
    out.genProfile = static_cast<int>(profile.phase());
    out.endOfRoute = route_->finished() ? 1 : 0;
    out.genDistanceTotal = tenths(profile.distance());
    out.genDistanceRemaining = tenths(profile.remaining());
    out.genDistanceEncoder = tenths(profile.position());
    const int leg = route_->legIndex();
    if (leg < 0) {
        out.genPoFrom = out.genPoTo = routeGoal_;
        return;
    }
    const TrackSegment& segment = *map_.segment(route_->route().legs[leg].segment);
    out.genPathKind = static_cast<int>(segment.kind);
    out.genPoFrom = segment.from;
    out.genPoTo = segment.to;
    out.genVelocityMax = static_cast<int>(std::lround(segment.maxVelocity));
    out.genVelocityConst =
        static_cast<int>(std::lround(std::min(segment.maxVelocity, profile.cruiseVelocity())));
    out.genSegment =
        std::to_string(segment.id) + ":" + std::to_string(segment.from) + ">" + std::to_string(segment.to);
}

void VehicleModel::fillDrives(VehicleStatus& out) const {
    const int servo = static_cast<int>(drives_.servoState());
    const int nmt = static_cast<int>(drives_.nmtState());
    const int inputs = (drives_.brakeReleased() ? 0x1 : 0) | (drives_.servoIsOn() ? 0x2 : 0);
    const double torque = velocity_ == 0.0 ? 0.0 : std::copysign(40.0, velocity_) + acceleration_ * 0.25;
    out.front = {drives_.controlWord(),
                 drives_.statusWord(),
                 nmt,
                 servo,
                 rpmOf(velocity_),
                 static_cast<int>(std::lround(torque * 0.97)),
                 {drives_.errorCode(), inputs, 9}};
    out.rear = {drives_.controlWord(),
                drives_.statusWord(),
                nmt,
                servo,
                rpmOf(velocity_ * 0.998),
                static_cast<int>(std::lround(torque * 0.95)),
                {drives_.errorCode(), inputs, 9}};
    out.frontPosition = wrapped(odometer_ * 10.0);
    out.frontTargetRpm = rpmOf(targetVelocity_);
    out.frontDemandTorque = out.rearDemandTorque = static_cast<int>(std::lround(torque));
    out.drivePeriods = {telemetry_.pdo.actual,         telemetry_.pdo.max,
                        telemetry_.nodeguard.actual,   telemetry_.nodeguard.max,
                        telemetry_.controlword.actual, telemetry_.controlword.max};
    out.brakeState = drives_.brakeReleased() ? 1 : 0;
    out.values7251 = {352 + static_cast<int>(std::abs(torque) / 10), 348};  // drive temperatures, 0.1 °C
    out.values7252 = {480, 479};                                            // DC bus, 0.1 V
    out.values7253 = {static_cast<int>(std::abs(torque) / 4), static_cast<int>(std::abs(torque) / 4)};
}

VehicleStatus VehicleModel::readout() const {
    VehicleStatus out;
    out.operationState = static_cast<int>(state_);
    out.operationStatus = operationStatus();
    out.dataloggerState = state_ == OperationState::ManualOp || state_ == OperationState::AutomaticOp ? 1 : 0;
    out.alarmFault = {fault_.code, fault_.name};
    out.alarmWarning = {warning_.code, warning_.name};
    const TrackSegment& segment = *map_.segment(location_.segment);
    out.currentPo = currentPo_;
    out.currentSegment = segment.id;
    out.barPathKind = static_cast<int>(segment.kind);
    out.barSegment = segment.id;
    out.barPoFrom = segment.from;
    out.barPoTo = segment.to;
    fillRoute(out);
    out.conDistanceTotal = tenths(segment.length);
    out.conDistanceEncoder = tenths(location_.offset);
    out.obstacleFs = obstacles_.enabled() ? static_cast<int>(segment.kind) : -1;
    out.obstacleDetect = static_cast<int>(obstacles_.level());
    out.photoSensor = obstacles_.photoSensor() ? 1 : 0;
    out.steerTarget = steerTarget_;
    out.steerActual = steerActual_;
    out.inTcz = segment.inTcz;
    out.controlPeriod = telemetry_.control.actual;
    out.controlPeriodMax = telemetry_.control.max;
    out.runTime = wrapped(time_ * 1e6);
    out.values4031 = {lastManualMove_, static_cast<int>(settings_.jogVelocity), jogDirection_};
    out.values4032 = {lastControl_, lastServoCommand_, mode()};
    out.actualVelocity = tenths(velocity_);
    out.targetVelocity = tenths(targetVelocity_);
    out.runDistance = static_cast<float>(runDistance_ / 1000.0);
    out.values6070 = {out.photoSensor, drives_.brakeReleased() ? 1 : 0, 480, 352};
    fillDrives(out);
    out.cameraPosition = barcodeAt(map_, location_);
    out.cameraVelocity = static_cast<float>(velocity_ / 1000.0);
    out.cameraPeriod = telemetry_.camera.actual;
    out.cameraPeriodMax = telemetry_.camera.max;
    return out;
}

}  // namespace kova::sim
