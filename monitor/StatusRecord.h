#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kova {

// One traction drive as the controller last published it. The rear drive's position, target rpm
// and demand torque are never published and stay 0.
struct DriveStatus {
    std::int32_t controlWord = 0;
    std::int32_t statusWord = 0;
    std::int32_t nmtState = 0;
    std::int32_t position = 0;
    float targetRpm = 0.0f;
    float actualRpm = 0.0f;
    std::int32_t actualTorque = 0;  // 0.1 %
    std::int32_t demandTorque = 0;  // 0.1 %
    std::int32_t servoState = 0;
    std::array<std::int32_t, 3> statusCodes{0, 0, 0};
};

// The route segment being generated and driven.
struct RouteGenStatus {
    std::int32_t pathKind = 0;
    std::string segment = "-1";
    std::int32_t poFrom = -1;
    std::int32_t poTo = -1;
    std::int32_t velocityMax = 0;    // mm/s
    std::int32_t velocityConst = 0;  // mm/s
    std::int32_t profile = 0;
    bool endOfRoute = false;
};

// The last received value of every status object the monitor understands, in the controller's own
// units (µs, 0.1 mm, 0.1 mm/s, 0.1 %). Fields keep these initial values until their object arrives.
struct StatusRecord {
    std::int32_t operationStatus = 0;
    std::int32_t controlPeriodActual = 0;  // µs
    std::int32_t controlPeriodMax = 0;     // µs
    DriveStatus frontDrive;
    DriveStatus rearDrive;
    std::int32_t pdoPeriod = 0;  // µs, and the five periods below too
    std::int32_t pdoPeriodMax = 0;
    std::int32_t controlwordPeriod = 0;
    std::int32_t controlwordPeriodMax = 0;
    std::int32_t nodeguardPeriod = 0;
    std::int32_t nodeguardPeriodMax = 0;
    std::int32_t brakeState = 0;  // 1 = released
    std::array<std::int32_t, 3> values4031{0, 0, 0};
    std::array<std::int32_t, 3> values4032{0, 0, 0};
    std::int32_t actualVelocity = 0;  // 0.1 mm/s
    std::int32_t targetVelocity = 0;  // 0.1 mm/s
    std::int32_t goalPo = 0;
    std::int32_t goalBarcode = 0;
    std::int32_t operationState = 0;
    std::int32_t dataloggerState = 0;
    RouteGenStatus routeGen;
    std::array<std::int32_t, 5> connectedSegments{-1, -1, -1, -1, -1};
    std::int32_t barPathKind = 0;
    std::int32_t barSegment = -1;
    std::int32_t barPoFrom = -1;
    std::int32_t barPoTo = -1;
    std::int32_t currentSegment = -1;
    std::int32_t currentPo = -1;
    std::int32_t onRoute = 0;  // 1 = on route
    std::int32_t cameraPosition = 0;
    float cameraVelocity = 0.0f;       // m/s
    std::int32_t cameraPeriod = 0;     // µs
    std::int32_t cameraPeriodMax = 0;  // µs
    std::string steerTarget;
    std::string steerActual;
    std::int32_t obstacleDetect = 0;
    std::int32_t obstacleFs = -1;
    std::int32_t photoSensor = 0;  // 1 = on
    std::array<std::int32_t, 2> values7251{0, 0};
    std::array<std::int32_t, 2> values7252{0, 0};
    std::array<std::int32_t, 2> values7253{0, 0};
    std::array<std::int32_t, 4> values6070{0, 0, 0, 0};
    std::int32_t runTime = 0;  // µs
    std::array<std::string, 2> alarmWarning;
    std::array<std::string, 2> alarmFault;
    float runDistance = 0.0f;           // m
    std::int32_t genDistanceTotal = 0;  // 0.1 mm, and the four distances below too
    std::int32_t genDistanceRemaining = 0;
    std::int32_t genDistanceEncoder = 0;
    std::int32_t conDistanceTotal = 0;
    std::int32_t conDistanceEncoder = 0;
    bool inTcz = false;
};

}  // namespace kova
