#include "sim/VehicleModel.h"

#include <cmath>

namespace kova::sim {

namespace {

const char* stateText(OperationState state) {
    static const char* const names[] = {"StartUp",     "DeviceOpened", "DeviceOpenFailed", "ManualOp",
                                        "AutomaticOp", "DeviceClosed", "Finished"};
    return names[static_cast<int>(state)];
}

const char* servoText(ServoState state) {
    static const char* const names[] = {"none", "servoOff", "servoOn", "quickStop", "fault"};
    return names[static_cast<int>(state)];
}

const char* obstacleText(ObstacleLevel level) {
    static const char* const names[] = {"clear", "slow", "stop", "E-Stop"};
    return names[static_cast<int>(level)];
}

constexpr double kStartUpTime = 0.6;       // StartUp until the device is opened
constexpr double kDeviceOpenTime = 0.5;    // at least this long in DeviceOpened
constexpr double kSteerDelay = 0.5;        // the steering follows its target after this long
constexpr double kWarningLifetime = 10.0;  // a warning clears itself after this long

}  // namespace

VehicleModel::VehicleModel(ModelSettings settings)
    : settings_(settings),
      map_(builtInTrackMap()),
      obstacles_(settings.seed, settings.obstacles),
      telemetry_(settings.seed ^ 0x9e3779b9U) {
    const TrackSegment* start = map_.segment(settings_.startSegment);
    if (start == nullptr) {
        start = &map_.segments().front();
    }
    location_ = {start->id, 0.0};
    currentPo_ = start->from;
    log("controller started, vehicle at po " + std::to_string(currentPo_));
}

void VehicleModel::log(const std::string& text, bool debug) {
    events_.push_back({time_, debug, text});
}

std::vector<LogEvent> VehicleModel::takeEvents() {
    std::vector<LogEvent> taken;
    taken.swap(events_);
    return taken;
}

void VehicleModel::advance(double dt) {
    if (!(dt > 0.0)) {
        return;
    }
    time_ += dt;
    stateTime_ += dt;
    drives_.advance(dt);
    telemetry_.advance(dt);
    noteDriveChanges();
    advanceOperationState();
    advanceSteering(dt);
    advanceObstacles(dt);
    if (route_ && !route_->finished()) {
        advanceRoute(dt);
    } else {
        advanceManual(dt);
    }
    advanceAlarms(dt);
}

void VehicleModel::enterState(OperationState next) {
    log(std::string("operation state ") + stateText(state_) + " -> " + stateText(next));
    state_ = next;
    stateTime_ = 0.0;
}

void VehicleModel::advanceOperationState() {
    if (state_ == OperationState::StartUp && stateTime_ >= kStartUpTime) {
        enterState(OperationState::DeviceOpened);
    } else if (state_ == OperationState::DeviceOpened && stateTime_ >= kDeviceOpenTime &&
               drives_.operational()) {
        enterState(OperationState::ManualOp);
    }
}

// Logs what the drives did since the last step, and stops the vehicle when its drives can no longer
// hold it: the brake grabs.
void VehicleModel::noteDriveChanges() {
    if (drives_.servoState() != lastServo_) {
        log(std::string("servo state ") + servoText(lastServo_) + " -> " + servoText(drives_.servoState()));
        lastServo_ = drives_.servoState();
    }
    if (drives_.brakeReleased() != lastBrake_) {
        lastBrake_ = drives_.brakeReleased();
        log(lastBrake_ ? "brake released" : "brake locked");
    }
    if (drives_.nmtState() != lastNmt_) {
        lastNmt_ = drives_.nmtState();
        static const char* const nmt[] = {"None", "BootUp", "PreOp", "Op", "Stop"};
        log(std::string("drive network ") + nmt[static_cast<int>(lastNmt_)], true);
    }
    const bool driveable = drives_.servoIsOn() && drives_.brakeReleased();
    if (!driveable && (velocity_ != 0.0 || jogDirection_ != 0 || routeActive())) {
        velocity_ = 0.0;
        targetVelocity_ = 0.0;
        acceleration_ = 0.0;
        jogDirection_ = 0;
        if (routeActive() && startDelay_ <= 0.0) {
            stopRoute(drives_.faulted() ? AutomaticStatus::Fault
                                        : AutomaticStatus::CancelRouteServoOffActive);
        }
    }
}

void VehicleModel::advanceSteering(double dt) {
    if (steerActual_ == steerTarget_) {
        return;
    }
    steerLeft_ -= dt;
    if (steerLeft_ <= 0.0) {
        steerActual_ = steerTarget_;
        log("steering now " + steerActual_, true);
    }
}

void VehicleModel::setSteerTarget(const std::string& keyword) {
    if (keyword != steerTarget_) {
        steerTarget_ = keyword;
        steerLeft_ = kSteerDelay;
    }
}

void VehicleModel::advanceObstacles(double dt) {
    const bool moving = routeActive() && velocity_ != 0.0;
    obstacles_.advance(dt, moving);
    const ObstacleLevel now = obstacles_.level();
    if (now == lastObstacle_) {
        return;
    }
    if (now == ObstacleLevel::None) {
        log("obstacle cleared");
        if (warning_.code == "W301") {
            warning_ = {};
        }
        if (lastObstacle_ != ObstacleLevel::Slow && routeActive()) {
            showStatusFor(AutomaticStatus::Retry, 1.0);
        }
    } else {
        raiseWarning("W301", "obstacle", std::string("obstacle detected: ") + obstacleText(now));
    }
    lastObstacle_ = now;
}

void VehicleModel::advanceAlarms(double dt) {
    warning_.age += dt;
    fault_.age += dt;
    if (warning_.active() && warning_.code != "W301" && warning_.age > kWarningLifetime) {
        log("warning " + warning_.code + " cleared");
        warning_ = {};
    }
    if (shownStatus_ >= 0) {
        shownFor_ -= dt;
        if (shownFor_ <= 0.0) {
            shownStatus_ = -1;
        }
    }
}

void VehicleModel::raiseFault(const std::string& code, const std::string& name, const std::string& why) {
    fault_ = {code, name, 0.0};
    log("alarm fault " + code + " " + name + ": " + why);
}

void VehicleModel::raiseWarning(const std::string& code, const std::string& name, const std::string& why) {
    warning_ = {code, name, 0.0};
    log("warning " + code + " " + name + ": " + why);
}

void VehicleModel::showStatusFor(AutomaticStatus status, double seconds) {
    shownStatus_ = static_cast<int>(status);
    shownFor_ = seconds;
}

void VehicleModel::reachPoints(const std::vector<int>& points) {
    for (int point : points) {
        if (point != currentPo_) {
            log("passed po " + std::to_string(point), true);
        }
        currentPo_ = point;
    }
}

}  // namespace kova::sim
