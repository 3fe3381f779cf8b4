// The simulated vehicle on its own: start-up, servo and brake, manual moves, automatic routes, stops,
// obstacles and alarms, all with a fixed time step and no sockets.
#include <algorithm>

#include <gtest/gtest.h>

#include "sim/VehicleModel.h"

namespace kova::sim {
namespace {

constexpr double kStep = 0.01;

ModelSettings quietSettings() {
    ModelSettings settings;
    settings.seed = 7;
    settings.obstacles = false;
    return settings;
}

void run(VehicleModel& model, double seconds) {
    for (double t = 0.0; t < seconds; t += kStep) {
        model.advance(kStep);
    }
}

// Runs until `done` holds or `limit` simulated seconds pass; returns whether it held.
template <typename Done>
bool runUntil(VehicleModel& model, Done done, double limit = 120.0) {
    for (double t = 0.0; t < limit; t += kStep) {
        if (done()) {
            return true;
        }
        model.advance(kStep);
    }
    return done();
}

bool anyEvent(const std::vector<LogEvent>& events, const std::string& text) {
    return std::any_of(events.begin(), events.end(),
                       [&](const LogEvent& e) { return e.text.find(text) != std::string::npos; });
}

// Manual operation with the servo on and the brake released.
void makeReady(VehicleModel& model) {
    ASSERT_TRUE(runUntil(
        model, [&] { return model.operationState() == OperationState::ManualOp; }, 3.0));
    ASSERT_TRUE(model.servo(static_cast<int>(ServoCommand::On)).ok);
    ASSERT_TRUE(runUntil(
        model, [&] { return model.drives().brakeReleased(); }, 2.0));
}

void makeReadyInAuto(VehicleModel& model) {
    makeReady(model);
    ASSERT_TRUE(model.setMode(kModeAutomatic).ok);
}

TEST(SimVehicleStates, StartsUpIntoManualOperationWithinTwoSeconds) {
    VehicleModel model(quietSettings());
    EXPECT_EQ(model.operationState(), OperationState::StartUp);
    EXPECT_EQ(model.readout().currentPo, 1);
    ASSERT_TRUE(runUntil(
        model, [&] { return model.operationState() == OperationState::DeviceOpened; }, 1.0));
    ASSERT_TRUE(runUntil(
        model, [&] { return model.operationState() == OperationState::ManualOp; }, 1.0));
    EXPECT_LT(model.time(), 2.0);
    EXPECT_EQ(model.drives().nmtState(), NmtState::Op);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(ManualStatus::ServoOff));
    const auto events = model.takeEvents();
    EXPECT_TRUE(anyEvent(events, "operation state StartUp -> DeviceOpened"));
    EXPECT_TRUE(anyEvent(events, "operation state DeviceOpened -> ManualOp"));
}

TEST(SimVehicleStates, CommandsAreRefusedWhileStartingUp) {
    VehicleModel model(quietSettings());
    EXPECT_FALSE(model.setMode(kModeAutomatic).ok);
    EXPECT_FALSE(model.servo(static_cast<int>(ServoCommand::On)).ok);  // drive network not up yet
}

TEST(SimVehicleStates, ServoOnSwitchesTheDrivesAndReleasesTheBrake) {
    VehicleModel model(quietSettings());
    run(model, 2.0);
    ASSERT_TRUE(model.servo(static_cast<int>(ServoCommand::On)).ok);
    EXPECT_EQ(model.readout().front.statusWord, 0x0231);
    ASSERT_TRUE(runUntil(
        model, [&] { return model.drives().brakeReleased(); }, 1.0));
    const VehicleStatus status = model.readout();
    EXPECT_EQ(status.front.servoState, static_cast<int>(ServoState::On));
    EXPECT_EQ(status.rear.servoState, static_cast<int>(ServoState::On));
    EXPECT_EQ(status.front.controlWord, 0x000F);
    EXPECT_EQ(status.front.statusWord, 0x0237);
    EXPECT_EQ(status.brakeState, 1);
    // Standing on point 1 with the servo on: ready for automatic operation.
    EXPECT_EQ(status.operationStatus, static_cast<int>(ManualStatus::ReadyToAutomaticOp));
    ASSERT_TRUE(model.servo(static_cast<int>(ServoCommand::Off)).ok);
    run(model, 0.5);
    EXPECT_EQ(model.readout().brakeState, 0);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(ManualStatus::ServoOff));
}

TEST(SimVehicleManual, JogMovesAtCreepSpeedAndStops) {
    VehicleModel model(quietSettings());
    makeReady(model);
    ASSERT_TRUE(model.manualMove(1).ok);
    run(model, 2.0);
    EXPECT_NEAR(model.velocity(), 150.0, 1e-9);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(ManualStatus::Run));
    EXPECT_EQ(model.location().segment, 1);
    EXPECT_GT(model.location().offset, 150.0);
    ASSERT_TRUE(model.manualMove(0).ok);
    run(model, 1.0);
    EXPECT_EQ(model.velocity(), 0.0);
    const double stopped = model.location().offset;
    ASSERT_TRUE(model.manualMove(-1).ok);
    run(model, 1.0);
    EXPECT_LT(model.location().offset, stopped);
    EXPECT_LT(model.readout().actualVelocity, 0);  // 0.1 mm/s, negative backwards
}

TEST(SimVehicleManual, JoggingBackPastAPointLeavesItOnTheIncomingSegment) {
    VehicleModel model(quietSettings());
    makeReady(model);
    ASSERT_TRUE(model.manualMove(-1).ok);
    run(model, 2.0);
    EXPECT_EQ(model.location().segment, 8);
    EXPECT_EQ(model.currentPoint(), 1);
}

TEST(SimVehicleManual, JogWithTheServoOffIsRefusedWithAWarning) {
    VehicleModel model(quietSettings());
    run(model, 2.0);
    const CommandResult result = model.manualMove(1);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "servo is off");
    EXPECT_EQ(model.readout().alarmWarning, (std::array<std::string, 2>{"W110", "servoOff"}));
    run(model, 1.0);
    EXPECT_EQ(model.location().offset, 0.0);
}

TEST(SimVehicleManual, JogWithTheBrakeLockedFaultsUntilReset) {
    VehicleModel model(quietSettings());
    makeReady(model);
    ASSERT_TRUE(model.servo(static_cast<int>(ServoCommand::LockBrake)).ok);
    run(model, 0.1);
    EXPECT_FALSE(model.manualMove(1).ok);
    VehicleStatus status = model.readout();
    EXPECT_EQ(status.alarmFault, (std::array<std::string, 2>{"E201", "brakeLck"}));
    EXPECT_EQ(status.front.servoState, static_cast<int>(ServoState::Fault));
    EXPECT_EQ(status.front.statusWord, 0x0218);
    EXPECT_EQ(status.front.statusCodes[0], kErrorBrakeLocked);
    EXPECT_EQ(status.operationStatus, static_cast<int>(ManualStatus::Fault));
    EXPECT_FALSE(model.servo(static_cast<int>(ServoCommand::On)).ok);  // a faulted drive stays off

    ASSERT_TRUE(model.servo(static_cast<int>(ServoCommand::ResetFault)).ok);
    run(model, 0.5);
    status = model.readout();
    EXPECT_EQ(status.alarmFault, (std::array<std::string, 2>{"", ""}));
    EXPECT_EQ(status.front.servoState, static_cast<int>(ServoState::Off));
    EXPECT_EQ(status.front.statusCodes[0], 0);
}

TEST(SimVehicleManual, JogIsForAutomaticOperationRefused) {
    VehicleModel model(quietSettings());
    makeReadyInAuto(model);
    EXPECT_EQ(model.manualMove(1).reason, "manual move needs manual operation");
    EXPECT_FALSE(model.manualMove(2).ok);
}

TEST(SimVehicleAuto, GoalPointIsDrivenThroughEveryPhaseAndEndsOnThePoint) {
    VehicleModel model(quietSettings());
    makeReadyInAuto(model);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(AutomaticStatus::Standby));
    ASSERT_TRUE(model.setGoalPoint(15).ok);
    ASSERT_TRUE(model.startGoal(2).ok);
    std::vector<int> phases;
    bool sawRun = false;
    ASSERT_TRUE(runUntil(model, [&] {
        const VehicleStatus status = model.readout();
        if (phases.empty() || phases.back() != status.genProfile) {
            phases.push_back(status.genProfile);
        }
        sawRun = sawRun || status.operationStatus == static_cast<int>(AutomaticStatus::Run);
        return model.endOfRoute();
    }));
    EXPECT_TRUE(sawRun);
    for (VelocityPhase phase : {VelocityPhase::Before, VelocityPhase::Accel, VelocityPhase::Constant,
                                VelocityPhase::Decel, VelocityPhase::Creep, VelocityPhase::Finish}) {
        EXPECT_NE(std::find(phases.begin(), phases.end(), static_cast<int>(phase)), phases.end())
            << "phase " << static_cast<int>(phase);
    }
    const VehicleStatus status = model.readout();
    EXPECT_EQ(status.currentPo, 15);
    EXPECT_EQ(status.endOfRoute, 1);
    EXPECT_EQ(status.onRoute, 0);
    EXPECT_EQ(status.goalPo, 15);
    EXPECT_EQ(status.goalBarcode, status.cameraPosition);
    EXPECT_EQ(status.genDistanceTotal, 244000);
    EXPECT_EQ(status.genDistanceRemaining, 0);
    EXPECT_EQ(status.genPoTo, 15);
    EXPECT_EQ(status.genSegment, "13:14>15");
    EXPECT_EQ(status.actualVelocity, 0);
    EXPECT_EQ(status.operationStatus, static_cast<int>(AutomaticStatus::Standby));
    EXPECT_NEAR(status.runDistance, 24.4F, 1e-3F);
    EXPECT_TRUE(anyEvent(model.takeEvents(), "arrived at po 15 (end of route)"));
}

TEST(SimVehicleAuto, AGoalListPassesThroughEveryPointInOrder) {
    VehicleModel model(quietSettings());
    makeReadyInAuto(model);
    ASSERT_TRUE(model.setGoalList({3, 18, 15}).ok);
    ASSERT_TRUE(model.startGoal(3).ok);
    std::vector<int> points;
    ASSERT_TRUE(runUntil(model, [&] {
        if (points.empty() || points.back() != model.currentPoint()) {
            points.push_back(model.currentPoint());
        }
        return model.endOfRoute();
    }));
    EXPECT_EQ(points, (std::vector<int>{1, 2, 3, 11, 12, 13, 18, 14, 15}));
}

TEST(SimVehicleAuto, GoalsAreRefusedWhenTheVehicleCannotGo) {
    VehicleModel model(quietSettings());
    run(model, 2.0);
    ASSERT_TRUE(model.setGoalPoint(15).ok);
    EXPECT_EQ(model.startGoal(2).reason, "goal needs automatic operation (switch/auto)");
    ASSERT_TRUE(model.setMode(kModeAutomatic).ok);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(AutomaticStatus::ServoOffActive));
    EXPECT_EQ(model.startGoal(2).reason, "servo is off");
    EXPECT_EQ(model.setGoalPoint(99).reason, "unknown point 99");
    EXPECT_FALSE(model.setGoalList({3, 99}).ok);
    EXPECT_FALSE(model.startGoal(3).ok);  // no list was set
    EXPECT_FALSE(model.startGoal(7).ok);
}

TEST(SimVehicleAuto, TheRouteWaitsForTheServoSwitchedOnJustBefore) {
    VehicleModel model(quietSettings());
    run(model, 2.0);
    ASSERT_TRUE(model.setMode(kModeAutomatic).ok);
    ASSERT_TRUE(model.servo(static_cast<int>(ServoCommand::On)).ok);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(AutomaticStatus::ServoOnActive));
    ASSERT_TRUE(model.setGoalPoint(4).ok);
    ASSERT_TRUE(model.startGoal(2).ok);
    EXPECT_TRUE(runUntil(model, [&] { return model.endOfRoute(); }));
    EXPECT_EQ(model.currentPoint(), 4);
    EXPECT_FALSE(model.fault().active());
}

TEST(SimVehicleAuto, CancelStopsTheVehicleAndDropsTheRoute) {
    VehicleModel model(quietSettings());
    makeReadyInAuto(model);
    ASSERT_TRUE(model.setGoalPoint(15).ok);
    ASSERT_TRUE(model.startGoal(2).ok);
    run(model, 3.0);
    ASSERT_GT(model.velocity(), 0.0);
    EXPECT_FALSE(model.setMode(kModeManual).ok);  // not while a route is driven
    ASSERT_TRUE(model.control(static_cast<int>(ControlCommand::CancelRoute)).ok);
    ASSERT_TRUE(runUntil(
        model, [&] { return !model.routeActive(); }, 10.0));
    EXPECT_EQ(model.velocity(), 0.0);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(AutomaticStatus::CancelRoute));
    EXPECT_EQ(model.readout().genPathKind, 0);
    run(model, 2.0);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(AutomaticStatus::Standby));
    EXPECT_TRUE(model.setMode(kModeManual).ok);
}

TEST(SimVehicleAuto, ASoftStopHoldsUntilStartAndTheRouteStillEndsOnTheGoal) {
    VehicleModel model(quietSettings());
    makeReadyInAuto(model);
    ASSERT_TRUE(model.setGoalPoint(5).ok);
    ASSERT_TRUE(model.startGoal(2).ok);
    run(model, 3.0);
    ASSERT_TRUE(model.control(static_cast<int>(ControlCommand::SoftStop)).ok);
    run(model, 5.0);
    EXPECT_EQ(model.velocity(), 0.0);
    EXPECT_EQ(model.readout().genProfile, static_cast<int>(VelocityPhase::Stop));
    const Location held = model.location();
    run(model, 1.0);
    EXPECT_EQ(model.location().offset, held.offset);
    ASSERT_TRUE(model.control(static_cast<int>(ControlCommand::Start)).ok);
    ASSERT_TRUE(runUntil(model, [&] { return model.endOfRoute(); }));
    EXPECT_EQ(model.currentPoint(), 5);
}

TEST(SimVehicleAuto, ServoOffWhileDrivingCancelsTheRoute) {
    VehicleModel model(quietSettings());
    makeReadyInAuto(model);
    ASSERT_TRUE(model.setGoalPoint(15).ok);
    ASSERT_TRUE(model.startGoal(2).ok);
    run(model, 3.0);
    ASSERT_TRUE(model.servo(static_cast<int>(ServoCommand::Off)).ok);
    run(model, 0.05);
    EXPECT_FALSE(model.routeActive());
    EXPECT_EQ(model.velocity(), 0.0);
    EXPECT_EQ(model.operationStatus(), static_cast<int>(AutomaticStatus::CancelRouteServoOffActive));
}

TEST(SimVehicleAuto, TheSteeringFollowsItsTargetAfterADelay) {
    VehicleModel model(quietSettings());
    run(model, 2.0);
    ASSERT_TRUE(model.steer("LX").ok);
    EXPECT_EQ(model.readout().steerTarget, "LX");
    EXPECT_EQ(model.readout().steerActual, "RR");
    run(model, 0.6);
    EXPECT_EQ(model.readout().steerActual, "LX");
    EXPECT_FALSE(model.steer("ll").ok);
    EXPECT_FALSE(model.steer("").ok);
}

TEST(SimVehicleObstacles, AStopObstacleHaltsTheVehicleThenItGoesOn) {
    VehicleModel model(quietSettings());
    makeReadyInAuto(model);
    ASSERT_TRUE(model.setGoalPoint(15).ok);
    ASSERT_TRUE(model.startGoal(2).ok);
    run(model, 3.0);
    model.obstacles().place(ObstacleLevel::Stop, 3.0);
    run(model, 2.5);
    VehicleStatus status = model.readout();
    EXPECT_EQ(status.actualVelocity, 0);
    EXPECT_EQ(status.obstacleDetect, 2);
    EXPECT_EQ(status.photoSensor, 1);
    EXPECT_EQ(status.alarmWarning[0], "W301");
    run(model, 1.0);
    status = model.readout();
    EXPECT_EQ(status.obstacleDetect, 0);
    EXPECT_EQ(status.alarmWarning[0], "");
    EXPECT_EQ(status.operationStatus, static_cast<int>(AutomaticStatus::Retry));
    EXPECT_TRUE(runUntil(model, [&] { return model.endOfRoute(); }));
}

TEST(SimVehicleObstacles, TheSameSeedGivesTheSameObstacles) {
    auto obstacleTimes = [](std::uint32_t seed) {
        ObstacleGenerator generator(seed, true);
        std::vector<int> starts;
        for (int i = 0; i < 60000; ++i) {
            const bool before = generator.level() != ObstacleLevel::None;
            generator.advance(kStep, true);
            if (!before && generator.level() != ObstacleLevel::None) {
                starts.push_back(i);
            }
        }
        return starts;
    };
    const auto first = obstacleTimes(11);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, obstacleTimes(11));
    EXPECT_NE(first, obstacleTimes(12));
    ObstacleGenerator off(11, false);
    for (int i = 0; i < 60000; ++i) {
        off.advance(kStep, true);
        ASSERT_EQ(off.level(), ObstacleLevel::None);
    }
}

}  // namespace
}  // namespace kova::sim
