#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/CommandCodes.h"
#include "protocol/StateCodes.h"
#include "sim/Alarms.h"
#include "sim/CommandResult.h"
#include "sim/ObstacleGenerator.h"
#include "sim/RouteDriving.h"
#include "sim/SimEvents.h"
#include "sim/Steering.h"
#include "sim/Telemetry.h"
#include "sim/TrackMap.h"
#include "sim/TrackPosition.h"
#include "sim/TractionDrives.h"
#include "sim/VehicleMotion.h"
#include "sim/VehicleStatus.h"
#include "sim/VelocityProfile.h"

namespace kova::sim {

// The controller's codes, numbered as they are published and written.
using protocol::AutomaticStatus;
using protocol::ControlCommand;
using protocol::ManualStatus;
using protocol::OperationState;
using protocol::ServoCommand;

// Values of the operating-mode object.
constexpr int kModeAutomatic = protocol::code(protocol::OperatingMode::Automatic);
constexpr int kModeManual = protocol::code(protocol::OperatingMode::Manual);

struct ModelSettings {
    std::uint32_t seed = 1;
    bool obstacles = true;
    ProfileLimits limits;        // automatic driving
    double jogVelocity = 150.0;  // mm/s, the creep speed of manual moves
    double jogAcceleration = 500.0;
    int startSegment = 1;  // the vehicle starts on the first point of this segment
};

// The values the operator last wrote to the manual move, control and servo objects, read back.
struct CommandEcho {
    int manualMove = 0;
    int control = 0;
    int servo = 0;
};

// The simulated vehicle: the controller's operation state, which coordinates its parts (drives,
// motion, route driving, steering, obstacles, alarms) and carries out the operator's commands. Plain
// object: no sockets, no clock of its own; time moves only through advance(). Not thread-safe: one
// thread owns it.
class VehicleModel {
public:
    explicit VehicleModel(ModelSettings settings = {});
    VehicleModel(const VehicleModel&) = delete;
    VehicleModel& operator=(const VehicleModel&) = delete;

    // Advances simulated time by `dt` seconds; keep steps at 10 ms or below.
    void advance(double dt);

    // Operator commands, as written to the controller's objects (see protocol/CommandCodes.h).
    CommandResult setMode(int mode);                            // OperatingMode
    CommandResult manualMove(int direction);                    // ManualDirection
    CommandResult control(int command);                         // ControlCommand
    CommandResult servo(int command);                           // ServoCommand
    CommandResult setGoalPoint(int point);                      // goal point
    CommandResult setGoalList(const std::vector<int>& points);  // goal list
    CommandResult startGoal(int kind);                          // GoalKind
    CommandResult steer(const std::string& keyword);            // steering keyword
    CommandResult setObstacleUse(bool use);                     // obstacle sensor switch

    double time() const { return time_; }
    OperationState operationState() const { return state_; }
    int operationStatus() const;
    const TrackMap& map() const { return map_; }
    Location location() const { return motion_.location(); }
    int currentPoint() const { return motion_.currentPoint(); }
    double velocity() const { return motion_.velocity(); }  // mm/s, negative when moving back
    bool routeActive() const { return route_.active(); }
    bool endOfRoute() const { return route_.finished(); }
    int goalPoint() const { return route_.goalPoint(); }
    const std::vector<int>& goalList() const { return route_.goalList(); }
    const TractionDrives& drives() const { return drives_; }
    const VehicleMotion& motion() const { return motion_; }
    const RouteDriving& routeDriving() const { return route_; }
    const Telemetry& telemetry() const { return telemetry_; }
    const Alarm& fault() const { return alarms_.fault(); }
    const Alarm& warning() const { return alarms_.warning(); }
    ObstacleLevel obstacle() const { return obstacles_.level(); }
    bool obstacleUse() const { return obstacles_.enabled(); }
    const ObstacleGenerator& obstacles() const { return obstacles_; }
    ObstacleGenerator& obstacles() { return obstacles_; }
    const std::string& steerTarget() const { return steering_.target(); }
    const std::string& steerActual() const { return steering_.actual(); }
    int mode() const { return state_ == OperationState::AutomaticOp ? kModeAutomatic : kModeManual; }
    const CommandEcho& commandEcho() const { return echo_; }
    // A passing automatic status (a cancel, a retry) shown for a moment instead of the usual one;
    // -1 when there is none.
    int passingStatus() const { return passingStatus_; }

    // Every published value, in the controller's units.
    VehicleStatus readout() const;
    // The log lines gathered since the last call.
    std::vector<LogEvent> takeEvents() { return events_.take(); }

private:
    void enterState(OperationState next);
    void advanceOperationState();
    void noteDriveChanges();
    void advanceObstacles(double dt);
    void advanceRoute(double dt);
    void advanceJog(double dt);
    void advancePassingStatus(double dt);
    bool drivesReady() const { return drives_.servoIsOn() && drives_.brakeReleased(); }
    bool faulted() const { return alarms_.fault().active() || drives_.faulted(); }
    void holdRoute(RouteHold hold, const std::string& what);
    CommandResult checkReadyToMove();
    CommandResult applyServo(ServoCommand command);
    CommandResult beginRoute(const std::vector<int>& goals);
    void stopRoute(AutomaticStatus shown);
    void showPassingStatus(AutomaticStatus status, double seconds);
    void raiseBrakeLockedFault(const std::string& why);

    ModelSettings settings_;
    TrackMap map_;
    EventLog events_;
    TractionDrives drives_;
    VehicleMotion motion_;
    RouteDriving route_;
    Steering steering_;
    ObstacleGenerator obstacles_;
    Telemetry telemetry_;
    Alarms alarms_;
    CommandEcho echo_;

    double time_ = 0.0;
    OperationState state_ = OperationState::StartUp;
    double stateTime_ = 0.0;
    int passingStatus_ = -1;
    double passingFor_ = 0.0;

    // What the last step saw, so that changes are logged once.
    ObstacleLevel lastObstacle_ = ObstacleLevel::None;
    ServoState lastServo_ = ServoState::Off;
    bool lastBrake_ = false;
    NmtState lastNmt_ = NmtState::BootUp;
};

}  // namespace kova::sim
