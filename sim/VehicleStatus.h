#pragma once

#include <array>
#include <string>

namespace kova::sim {

// One drive's published values.
struct DriveReadout {
    int controlWord = 0;
    int statusWord = 0;
    int nmtState = 0;
    int servoState = 0;
    float actualRpm = 0.0F;
    int actualTorque = 0;              // 0.1 %
    std::array<int, 3> statusCodes{};  // error code, digital inputs, mode of operation display
};

// Every value the controller publishes, in the controller's units: periods in µs, distances in
// 0.1 mm, velocities in 0.1 mm/s (route-generation velocities in mm/s), torques in 0.1 %.
// Built by VehicleModel::readout(); turned into status messages by statusMessages().
struct VehicleStatus {
    int operationState = 0;
    int operationStatus = 0;
    int dataloggerState = 0;
    std::array<std::string, 2> alarmFault;
    std::array<std::string, 2> alarmWarning;

    std::array<int, 5> connectedSegments{-1, -1, -1, -1, -1};
    int currentPo = -1;
    int currentSegment = -1;
    int onRoute = 0;
    int barPathKind = 0;
    int barSegment = -1;
    int barPoFrom = -1;
    int barPoTo = -1;

    int genPathKind = 0;
    int genPoFrom = -1;
    int genPoTo = -1;
    int genVelocityMax = 0;    // mm/s
    int genVelocityConst = 0;  // mm/s
    int genProfile = 0;
    int endOfRoute = 0;
    std::string genSegment = "-1";
    int goalPo = 0;
    int goalBarcode = 0;
    int genDistanceTotal = 0;
    int genDistanceRemaining = 0;
    int genDistanceEncoder = 0;
    int conDistanceTotal = 0;
    int conDistanceEncoder = 0;

    int obstacleFs = -1;
    int obstacleDetect = 0;
    int photoSensor = 0;
    std::string steerTarget;
    std::string steerActual;
    bool inTcz = false;

    int controlPeriod = 0;
    int controlPeriodMax = 0;
    int runTime = 0;  // µs, wraps within the 32-bit range
    std::array<int, 3> values4031{};
    std::array<int, 3> values4032{};
    int actualVelocity = 0;
    int targetVelocity = 0;
    float runDistance = 0.0F;  // m
    std::array<int, 4> values6070{};

    DriveReadout front;
    DriveReadout rear;
    int frontPosition = 0;
    float frontTargetRpm = 0.0F;
    int frontDemandTorque = 0;
    int rearDemandTorque = 0;
    std::array<int, 6> drivePeriods{};  // pdo, max, node guard, max, control word, max
    int brakeState = 0;

    int cameraPosition = 0;
    float cameraVelocity = 0.0F;  // m/s
    int cameraPeriod = 0;
    int cameraPeriodMax = 0;
    std::array<int, 2> values7251{};
    std::array<int, 2> values7252{};
    std::array<int, 2> values7253{};
};

}  // namespace kova::sim
