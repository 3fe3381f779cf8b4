#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/ObstacleGenerator.h"
#include "sim/RouteDriver.h"
#include "sim/SimEvents.h"
#include "sim/Telemetry.h"
#include "sim/TrackMap.h"
#include "sim/TrackPosition.h"
#include "sim/TractionDrives.h"
#include "sim/VehicleStatus.h"
#include "sim/VelocityProfile.h"

namespace kova::sim {

// Operation state of the controller, numbered as published.
enum class OperationState {
    StartUp = 0,
    DeviceOpened = 1,
    DeviceOpenFailed = 2,
    ManualOp = 3,
    AutomaticOp = 4,
    DeviceClosed = 5,
    Finished = 6
};
enum class ManualStatus {
    Standby = 0,
    ReadyActive = 2,
    ReadyToAutomaticOp = 3,
    ServoOff = 6,
    Run = 7,
    Fault = 8
};
enum class AutomaticStatus {
    Standby = 0,
    Run = 3,
    Fault = 5,
    ServoOnActive = 7,
    ServoOffActive = 8,
    CancelRoute = 9,
    CancelRouteServoOffActive = 10,
    Retry = 11
};

// Values of the operating-mode object.
constexpr int kModeAutomatic = 2;
constexpr int kModeManual = 3;

// Control commands (object 4011) and servo commands (object 4092), as numbered on the wire.
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
    CancelRoute = 12
};
enum class ServoCommand {
    On = 1,
    Off = 2,
    QuickStop = 3,
    LockBrake = 4,
    ReleaseBrake = 5,
    ResetCommunication = 6,
    ResetNode = 7,
    ResetFault = 8
};

// A raised alarm: a short code and a short name (both shown in eight columns), empty when clear.
struct Alarm {
    std::string code;
    std::string name;
    double age = 0.0;
    bool active() const { return !code.empty(); }
};

// Outcome of a command: accepted, or refused with the reason.
struct CommandResult {
    bool ok = true;
    std::string reason;
    static CommandResult done() { return {}; }
    static CommandResult refused(std::string why) { return {false, std::move(why)}; }
};

struct ModelSettings {
    std::uint32_t seed = 1;
    bool obstacles = true;
    ProfileLimits limits;        // automatic driving
    double jogVelocity = 150.0;  // mm/s, the creep speed of manual moves
    double jogAcceleration = 500.0;
    int startSegment = 1;  // the vehicle starts on the first point of this segment
};

// The simulated vehicle: controller states, drives, position on the track, routes, obstacles and
// alarms. Plain object: no sockets, no clock of its own; time moves only through advance(). Not
// thread-safe: one thread owns it.
class VehicleModel {
  public:
    explicit VehicleModel(ModelSettings settings = {});

    // Advances simulated time by `dt` seconds; keep steps at 10 ms or below.
    void advance(double dt);

    // Operator commands, as written to the controller's objects.
    CommandResult setMode(int mode);                            // 112: 2 automatic, 3 manual
    CommandResult manualMove(int direction);                    // 4091: 1 forward, -1 back, 0 stop
    CommandResult control(int command);                         // 4011: 1 to 12
    CommandResult servo(int command);                           // 4092: 1 to 8
    CommandResult setGoalPoint(int point);                      // 3033
    CommandResult setGoalList(const std::vector<int>& points);  // 3034
    CommandResult startGoal(int kind);                          // 3031: 2 goal point, 3 goal list
    CommandResult steer(const std::string& keyword);            // 3050
    CommandResult setObstacleUse(bool use);                     // 4026

    double time() const { return time_; }
    OperationState operationState() const { return state_; }
    int operationStatus() const;
    const TrackMap& map() const { return map_; }
    Location location() const { return location_; }
    int currentPoint() const { return currentPo_; }
    double velocity() const { return velocity_; }  // mm/s, negative when moving back
    bool routeActive() const;
    bool endOfRoute() const { return route_ && route_->finished(); }
    const RouteDriver* route() const { return route_.get(); }
    int goalPoint() const { return goalPoint_; }
    const std::vector<int>& goalList() const { return goalList_; }
    const TractionDrives& drives() const { return drives_; }
    const Alarm& fault() const { return fault_; }
    const Alarm& warning() const { return warning_; }
    ObstacleLevel obstacle() const { return obstacles_.level(); }
    bool obstacleUse() const { return obstacles_.enabled(); }
    ObstacleGenerator& obstacles() { return obstacles_; }
    const std::string& steerTarget() const { return steerTarget_; }
    const std::string& steerActual() const { return steerActual_; }
    int mode() const { return state_ == OperationState::AutomaticOp ? kModeAutomatic : kModeManual; }

    // Every published value, in the controller's units.
    VehicleStatus readout() const;
    // The log lines gathered since the last call.
    std::vector<LogEvent> takeEvents();

  private:
    // What holds a route back: a soft or hard stop until restarted, or a cancel.
    enum class Hold { None, Soft, Hard, Cancel };

    void log(const std::string& text, bool debug = false);
    void holdRoute(Hold hold, const std::string& what);
    void enterState(OperationState next);
    void advanceOperationState();
    void advanceSteering(double dt);
    void advanceObstacles(double dt);
    void advanceRoute(double dt);
    void advanceManual(double dt);
    void advanceAlarms(double dt);
    void noteDriveChanges();
    void reachPoints(const std::vector<int>& points);
    void setSteerTarget(const std::string& keyword);
    void raiseFault(const std::string& code, const std::string& name, const std::string& why);
    void raiseWarning(const std::string& code, const std::string& name, const std::string& why);
    CommandResult checkReadyToMove();
    CommandResult applyServo(ServoCommand command);
    CommandResult beginRoute(const std::vector<int>& goals);
    void stopRoute(AutomaticStatus shown);
    void showStatusFor(AutomaticStatus status, double seconds);
    ObstacleLevel holdLevel() const;
    int automaticStatus() const;
    int manualStatus() const;
    void fillRoute(VehicleStatus& out) const;
    void fillDrives(VehicleStatus& out) const;

    ModelSettings settings_;
    TrackMap map_;
    TractionDrives drives_;
    ObstacleGenerator obstacles_;
    Telemetry telemetry_;
    std::vector<LogEvent> events_;

    double time_ = 0.0;
    OperationState state_ = OperationState::StartUp;
    double stateTime_ = 0.0;

    Location location_;
    int currentPo_ = -1;
    double velocity_ = 0.0;        // mm/s
    double targetVelocity_ = 0.0;  // mm/s
    double acceleration_ = 0.0;    // mm/s^2
    double odometer_ = 0.0;        // signed travel, mm
    double runDistance_ = 0.0;     // unsigned travel, mm

    int jogDirection_ = 0;
    std::unique_ptr<RouteDriver> route_;
    Hold hold_ = Hold::None;
    double startDelay_ = 0.0;     // Before phase left once the drives are ready, s
    double routePosition_ = 0.0;  // the route profile's position at the last step, mm
    int goalPoint_ = 0;
    std::vector<int> goalList_;
    int routeGoal_ = 0;

    int shownStatus_ = -1;  // a passing automatic status (cancel, retry) and how long it shows
    double shownFor_ = 0.0;

    std::string steerTarget_ = "RR";
    std::string steerActual_ = "RR";
    double steerLeft_ = 0.0;

    Alarm fault_;
    Alarm warning_;
    ObstacleLevel lastObstacle_ = ObstacleLevel::None;
    ServoState lastServo_ = ServoState::Off;
    bool lastBrake_ = false;
    NmtState lastNmt_ = NmtState::BootUp;
    int lastManualMove_ = 0;
    int lastControl_ = 0;
    int lastServoCommand_ = 0;
};

}  // namespace kova::sim
