// The console and the simulated controller held against each other through their real parts: what
// the simulator publishes is stored by the console's status handler exactly as the simulator holds
// it, and every request the console's command language plans is understood by the simulator's
// object dictionary.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command/CommandLanguage.h"
#include "monitor/StatusHandler.h"
#include "protocol/CommandCodes.h"
#include "protocol/ObjectIndex.h"
#include "protocol/StatusLayout.h"
#include "sim/ObjectDictionary.h"
#include "sim/StatusObjects.h"
#include "sim/VehicleModel.h"

namespace kova {
namespace {

using sim::VehicleModel;
using sim::VehicleStatus;

constexpr double kStep = 0.01;

// Starting in the bay, where point and segment numbers differ, so that a value stored in the
// wrong field shows.
sim::ModelSettings quietSettings() {
    sim::ModelSettings settings;
    settings.seed = 5;
    settings.obstacles = false;
    settings.startSegment = 10;
    return settings;
}

void run(VehicleModel& model, double seconds) {
    for (double t = 0.0; t < seconds; t += kStep) {
        model.advance(kStep);
    }
}

bool runUntil(VehicleModel& model, const std::function<bool()>& done, double limit) {
    for (double t = 0.0; t < limit && !done(); t += kStep) {
        model.advance(kStep);
    }
    return done();
}

// Floats go out with a fixed number of decimals: the record holds them to half the last digit.
constexpr float kOneDecimal = 0.0501F;
constexpr float kThreeDecimals = 0.000501F;

void expectSameDrive(const DriveStatus& stored, const sim::DriveReadout& held, const char* which) {
    SCOPED_TRACE(which);
    EXPECT_EQ(stored.controlWord, held.controlWord);
    EXPECT_EQ(stored.statusWord, held.statusWord);
    EXPECT_EQ(stored.nmtState, held.nmtState);
    EXPECT_EQ(stored.servoState, held.servoState);
    EXPECT_NEAR(stored.actualRpm, held.actualRpm, kOneDecimal);
    EXPECT_EQ(stored.actualTorque, held.actualTorque);
    EXPECT_EQ(stored.statusCodes, held.statusCodes);
}

// Every field of the record against the value the simulator holds for it.
void expectSameValues(const StatusRecord& r, const VehicleStatus& s) {
    EXPECT_EQ(r.operationState, s.operationState);
    EXPECT_EQ(r.operationStatus, s.operationStatus);
    EXPECT_EQ(r.dataloggerState, s.dataloggerState);
    EXPECT_EQ(r.alarmFault, s.alarmFault);
    EXPECT_EQ(r.alarmWarning, s.alarmWarning);
    EXPECT_EQ(r.connectedSegments, s.connectedSegments);
    EXPECT_EQ(r.currentPo, s.currentPo);
    EXPECT_EQ(r.currentSegment, s.currentSegment);
    EXPECT_EQ(r.onRoute, s.onRoute);
    EXPECT_EQ(r.barPathKind, s.barPathKind);
    EXPECT_EQ(r.barSegment, s.barSegment);
    EXPECT_EQ(r.barPoFrom, s.barPoFrom);
    EXPECT_EQ(r.barPoTo, s.barPoTo);
    EXPECT_EQ(r.routeGen.pathKind, s.genPathKind);
    EXPECT_EQ(r.routeGen.poFrom, s.genPoFrom);
    EXPECT_EQ(r.routeGen.poTo, s.genPoTo);
    EXPECT_EQ(r.routeGen.velocityMax, s.genVelocityMax);
    EXPECT_EQ(r.routeGen.velocityConst, s.genVelocityConst);
    EXPECT_EQ(r.routeGen.profile, s.genProfile);
    EXPECT_EQ(r.routeGen.endOfRoute, s.endOfRoute == 1);
    EXPECT_EQ(r.routeGen.segment, s.genSegment);
    EXPECT_EQ(r.goalPo, s.goalPo);
    EXPECT_EQ(r.goalBarcode, s.goalBarcode);
    EXPECT_EQ(r.genDistanceTotal, s.genDistanceTotal);
    EXPECT_EQ(r.genDistanceRemaining, s.genDistanceRemaining);
    EXPECT_EQ(r.genDistanceEncoder, s.genDistanceEncoder);
    EXPECT_EQ(r.conDistanceTotal, s.conDistanceTotal);
    EXPECT_EQ(r.conDistanceEncoder, s.conDistanceEncoder);
    EXPECT_EQ(r.obstacleFs, s.obstacleFs);
    EXPECT_EQ(r.obstacleDetect, s.obstacleDetect);
    EXPECT_EQ(r.photoSensor, s.photoSensor);
    EXPECT_EQ(r.steerTarget, s.steerTarget);
    EXPECT_EQ(r.steerActual, s.steerActual);
    EXPECT_EQ(r.inTcz, s.inTcz);
    EXPECT_EQ(r.controlPeriodActual, s.controlPeriod);
    EXPECT_EQ(r.controlPeriodMax, s.controlPeriodMax);
    EXPECT_EQ(r.runTime, s.runTime);
    EXPECT_EQ(r.values4031, s.values4031);
    EXPECT_EQ(r.values4032, s.values4032);
    EXPECT_EQ(r.actualVelocity, s.actualVelocity);
    EXPECT_EQ(r.targetVelocity, s.targetVelocity);
    EXPECT_NEAR(r.runDistance, s.runDistance, kThreeDecimals);
    EXPECT_EQ(r.values6070, s.values6070);
    expectSameDrive(r.frontDrive, s.front, "front drive");
    expectSameDrive(r.rearDrive, s.rear, "rear drive");
    EXPECT_EQ(r.frontDrive.position, s.frontPosition);
    EXPECT_NEAR(r.frontDrive.targetRpm, s.frontTargetRpm, kOneDecimal);
    EXPECT_EQ(r.frontDrive.demandTorque, s.frontDemandTorque);
    EXPECT_EQ(r.pdoPeriod, s.drivePeriods[0]);
    EXPECT_EQ(r.pdoPeriodMax, s.drivePeriods[1]);
    EXPECT_EQ(r.nodeguardPeriod, s.drivePeriods[2]);
    EXPECT_EQ(r.nodeguardPeriodMax, s.drivePeriods[3]);
    EXPECT_EQ(r.controlwordPeriod, s.drivePeriods[4]);
    EXPECT_EQ(r.controlwordPeriodMax, s.drivePeriods[5]);
    EXPECT_EQ(r.brakeState, s.brakeState);
    EXPECT_EQ(r.cameraPosition, s.cameraPosition);
    EXPECT_NEAR(r.cameraVelocity, s.cameraVelocity, kThreeDecimals);
    EXPECT_EQ(r.cameraPeriod, s.cameraPeriod);
    EXPECT_EQ(r.cameraPeriodMax, s.cameraPeriodMax);
    EXPECT_EQ(r.values7251, s.values7251);
    EXPECT_EQ(r.values7252, s.values7252);
    EXPECT_EQ(r.values7253, s.values7253);
}

// Publishes the model's status into a fresh record, as the monitor would receive it.
void expectStoredAsHeld(const VehicleModel& model, const char* state) {
    SCOPED_TRACE(state);
    const VehicleStatus status = model.readout();
    StatusRecord record;
    for (const sim::StatusMessage& message : sim::statusMessages(status)) {
        EXPECT_EQ(handleStatusMessage(std::to_string(message.index), message.values, record),
                  StatusOutcome::Stored)
            << message.index << " " << message.values;
    }
    expectSameValues(record, status);
}

TEST(ProtocolContract, EveryPublishedMessageIsStoredAsTheSimulatorHoldsIt) {
    VehicleModel model(quietSettings());
    expectStoredAsHeld(model, "start-up");

    ASSERT_TRUE(runUntil(
        model, [&] { return model.operationState() == sim::OperationState::ManualOp; }, 3.0));
    ASSERT_TRUE(model.servo(protocol::code(protocol::ServoCommand::On)).ok);
    ASSERT_TRUE(runUntil(
        model, [&] { return model.drives().brakeReleased(); }, 2.0));
    ASSERT_TRUE(model.manualMove(protocol::code(protocol::ManualDirection::Forward)).ok);
    run(model, 0.5);
    expectStoredAsHeld(model, "manual, servo on, jogging");

    ASSERT_TRUE(model.manualMove(protocol::code(protocol::ManualDirection::Stop)).ok);
    ASSERT_TRUE(runUntil(
        model, [&] { return model.velocity() == 0.0; }, 2.0));
    ASSERT_TRUE(model.setMode(sim::kModeAutomatic).ok);
    // A short way: it never reaches the segment's top speed, so its constant velocity is lower.
    ASSERT_TRUE(model.setGoalList({12}).ok);
    ASSERT_TRUE(model.startGoal(protocol::code(protocol::GoalKind::List)).ok);
    run(model, 1.5);
    ASSERT_GT(model.velocity(), 0.0);
    expectStoredAsHeld(model, "automatic, driving a route");

    ASSERT_TRUE(model.control(protocol::code(protocol::ControlCommand::CancelRoute)).ok);
    ASSERT_TRUE(runUntil(
        model, [&] { return !model.routeActive(); }, 10.0));
    ASSERT_TRUE(model.setMode(sim::kModeManual).ok);
    ASSERT_TRUE(model.servo(protocol::code(protocol::ServoCommand::Off)).ok);
    run(model, 0.5);
    EXPECT_FALSE(model.manualMove(protocol::code(protocol::ManualDirection::Forward)).ok);  // a warning
    ASSERT_TRUE(model.servo(protocol::code(protocol::ServoCommand::On)).ok);
    ASSERT_TRUE(runUntil(
        model, [&] { return model.drives().brakeReleased(); }, 2.0));
    ASSERT_TRUE(model.servo(protocol::code(protocol::ServoCommand::LockBrake)).ok);
    EXPECT_FALSE(model.manualMove(protocol::code(protocol::ManualDirection::Forward)).ok);  // a fault
    run(model, 0.1);
    ASSERT_TRUE(model.warning().active());
    ASSERT_TRUE(model.fault().active());
    expectStoredAsHeld(model, "warning and fault raised");
}

// Every short command with every keyword the protocol lists, then raw reads and writes of the
// objects the controller knows.
std::vector<std::string> operatorLines() {
    using namespace protocol;
    std::vector<std::string> lines;
    for (const auto& mode : kModeKeywords) {
        lines.push_back("switch/" + std::string(mode.word));
    }
    for (const auto& direction : kDirectionKeywords) {
        lines.push_back("m/" + std::string(direction.word));
    }
    lines.insert(lines.end(), {"m/s", "h", "s"});
    for (const auto& which : kLogSwitchKeywords) {
        for (const auto& value : kSwitchValueKeywords) {
            lines.push_back("log/" + std::string(which.word) + "/" + std::string(value.word));
        }
    }
    for (const auto& command : kControlKeywords) {
        lines.push_back("control/" + std::string(command.word));
    }
    for (const auto& command : kServoKeywords) {
        lines.push_back("servo/" + std::string(command.word));
    }
    lines.insert(lines.end(), {"goal/15", "sgoal/3;18;15"});
    for (const auto& keyword : kSteeringKeywords) {
        lines.push_back("steer/" + std::string(keyword));
    }
    for (const ObjectLayout& layout : kStatusLayouts) {
        const std::string index = std::to_string(layout.index());
        lines.push_back("get/" + index + "/" + std::to_string(layout.valueCount() - 1));
        lines.push_back("getm/" + index);
    }
    for (int parameter : {object::kVersion, object::kRelease, object::kSystemName, object::kRouteMap,
                          object::kSteeringTimeout, object::kControlPeriodTarget, object::kObstacleUse,
                          object::kOperatingMode, object::kGoalPoint, object::kGoalList, object::kGoalStart,
                          object::kControlCommand, object::kServoCommand, object::kManualMove}) {
        lines.push_back("get/" + std::to_string(parameter) + "/0");
        lines.push_back("getm/" + std::to_string(parameter));
    }
    const std::string logSwitches = std::to_string(object::kLogSwitches);
    lines.insert(lines.end(),
                 {"get/" + logSwitches + "/1", "getm/" + logSwitches, "setm/" + logSwitches + "/1/0"});
    lines.push_back("set/" + std::to_string(object::kObstacleUse) + "/0/1");
    lines.push_back("setm/" + std::to_string(object::kGoalList) + "/3/18/15");
    lines.push_back("setm/" + std::to_string(object::kGoalPoint) + "/15");
    return lines;
}

TEST(ProtocolContract, EveryPlannedRequestIsUnderstoodByTheDictionary) {
    VehicleModel model(quietSettings());
    sim::LogSwitches switches;
    sim::ObjectDictionary dictionary(model, switches);
    run(model, 2.0);
    std::size_t sent = 0;
    for (const std::string& line : operatorLines()) {
        const CommandPlan plan = planCommand(line);
        ASSERT_EQ(plan.message, "") << line;
        ASSERT_FALSE(plan.requests.empty()) << line;
        for (const PlannedRequest& request : plan.requests) {
            const sim::Reply reply = dictionary.handle(request.verb, request.body);
            EXPECT_TRUE(reply.understood)
                << line << ": " << request.verb << " " << request.body << " -> " << reply.text;
            ++sent;
        }
        run(model, 0.1);
    }
    EXPECT_GT(sent, 150u);
}

}  // namespace
}  // namespace kova
