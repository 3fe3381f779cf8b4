#include "sim/StatusObjects.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace kova::sim {

namespace {

std::string text(int value) {
    return std::to_string(value);
}

std::string text(float value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(value));
    return buffer;
}

std::string join(std::initializer_list<std::string> values) {
    std::string joined;
    bool first = true;
    for (const auto& value : values) {
        if (!first) {
            joined += '/';
        }
        joined += value;
        first = false;
    }
    return joined;
}

template <std::size_t N>
std::string joinInts(const std::array<int, N>& values) {
    std::string joined;
    for (std::size_t i = 0; i < N; ++i) {
        joined += (i == 0 ? "" : "/") + std::to_string(values[i]);
    }
    return joined;
}

using Format = std::function<std::string(const VehicleStatus&)>;

struct ObjectFormat {
    PublishedObject object;
    Format format;
};

// Fast-changing objects go out twenty times a second, states ten times, slow figures four times.
constexpr int kFast = 50;
constexpr int kMedium = 100;
constexpr int kSlow = 250;

const std::vector<ObjectFormat>& formats() {
    using S = VehicleStatus;
    static const std::vector<ObjectFormat> table = {
        {{111, kMedium}, [](const S& s) { return text(s.operationState); }},
        {{500, kSlow},
         [](const S& s) {
             return join({s.alarmFault[0], s.alarmFault[1]});
         }},
        {{501, kSlow},
         [](const S& s) {
             return join({s.alarmWarning[0], s.alarmWarning[1]});
         }},
        {{1902, kSlow}, [](const S& s) { return text(s.dataloggerState); }},
        {{3008, kMedium}, [](const S& s) { return joinInts(s.connectedSegments); }},
        {{3009, kFast},
         [](const S& s) {
             return join({text(s.currentPo), text(s.currentSegment), text(s.onRoute)});
         }},
        {{3010, kFast},
         [](const S& s) {
             return join({text(s.barPathKind), text(s.barSegment), text(s.barPoFrom), text(s.barPoTo)});
         }},
        {{3011, kFast},
         [](const S& s) {
             return join({text(s.genPathKind), text(s.genPoFrom), text(s.genPoTo), text(s.genVelocityMax),
                          text(s.genVelocityConst), text(s.genProfile), text(s.endOfRoute)});
         }},
        {{3012, kMedium},
         [](const S& s) {
             return join({text(s.goalPo), text(s.goalBarcode)});
         }},
        {{3021, kFast}, [](const S& s) { return s.genSegment; }},
        {{3037, kFast},
         [](const S& s) {
             return join(
                 {text(s.genDistanceTotal), text(s.genDistanceRemaining), text(s.genDistanceEncoder)});
         }},
        {{3038, kFast},
         [](const S& s) {
             return join({text(s.conDistanceTotal), text(s.conDistanceEncoder)});
         }},
        {{3040, kMedium}, [](const S& s) { return text(s.obstacleFs); }},
        {{3050, kMedium}, [](const S& s) { return s.steerTarget; }},
        {{3060, kMedium}, [](const S& s) { return s.steerActual; }},
        {{3065, kMedium}, [](const S& s) { return std::string(s.inTcz ? "1" : "0"); }},
        {{4005, kMedium},
         [](const S& s) {
             return join({text(s.controlPeriod), text(s.controlPeriodMax), text(s.runTime)});
         }},
        {{4021, kMedium}, [](const S& s) { return text(s.operationStatus); }},
        {{4031, kSlow}, [](const S& s) { return joinInts(s.values4031); }},
        {{4032, kSlow}, [](const S& s) { return joinInts(s.values4032); }},
        {{4034, kFast}, [](const S& s) { return text(s.actualVelocity); }},
        {{4035, kFast}, [](const S& s) { return text(s.targetVelocity); }},
        {{4061, kMedium}, [](const S& s) { return text(s.runDistance, 3); }},
        {{5001, kMedium}, [](const S& s) { return text(s.obstacleDetect); }},
        {{5002, kMedium}, [](const S& s) { return text(s.photoSensor); }},
        {{6070, kSlow}, [](const S& s) { return joinInts(s.values6070); }},
        {{7022, kMedium},
         [](const S& s) {
             return join({text(s.front.controlWord), text(s.rear.controlWord)});
         }},
        {{7023, kMedium},
         [](const S& s) {
             return join({text(s.front.statusWord), text(s.rear.statusWord), text(s.front.nmtState),
                          text(s.rear.nmtState), text(s.front.servoState), text(s.rear.servoState)});
         }},
        {{7024, kFast}, [](const S& s) { return text(s.frontPosition); }},
        {{7027, kFast}, [](const S& s) { return text(s.frontTargetRpm, 1); }},
        {{7028, kFast},
         [](const S& s) {
             return join({text(s.front.actualRpm, 1), text(s.rear.actualRpm, 1)});
         }},
        {{7029, kFast},
         [](const S& s) {
             return join({text(s.frontDemandTorque), text(s.rearDemandTorque)});
         }},
        {{7030, kFast},
         [](const S& s) {
             return join({text(s.front.actualTorque), text(s.rear.actualTorque)});
         }},
        {{7031, kMedium},
         [](const S& s) {
             return join({text(s.front.servoState), text(s.rear.servoState)});
         }},
        {{7033, kSlow}, [](const S& s) { return joinInts(s.drivePeriods); }},
        {{7034, kMedium}, [](const S& s) { return text(s.brakeState); }},
        {{7035, kMedium},
         [](const S& s) {
             const auto& f = s.front.statusCodes;
             const auto& r = s.rear.statusCodes;
             return joinInts(std::array<int, 6>{f[0], f[1], f[2], r[0], r[1], r[2]});
         }},
        {{7120, kFast}, [](const S& s) { return text(s.cameraPosition); }},
        {{7122, kFast}, [](const S& s) { return text(s.cameraVelocity, 3); }},
        {{7123, kMedium},
         [](const S& s) {
             return join({text(s.cameraPeriod), text(s.cameraPeriodMax)});
         }},
        {{7251, kSlow}, [](const S& s) { return joinInts(s.values7251); }},
        {{7252, kSlow}, [](const S& s) { return joinInts(s.values7252); }},
        {{7253, kSlow}, [](const S& s) { return joinInts(s.values7253); }},
    };
    return table;
}

}  // namespace

const std::vector<PublishedObject>& publishedObjects() {
    static const std::vector<PublishedObject> objects = [] {
        std::vector<PublishedObject> list;
        for (const auto& entry : formats()) {
            list.push_back(entry.object);
        }
        return list;
    }();
    return objects;
}

std::optional<std::string> statusValues(const VehicleStatus& status, int index) {
    const auto& table = formats();
    const auto found = std::find_if(table.begin(), table.end(), [index](const ObjectFormat& entry) {
        return entry.object.index == index;
    });
    if (found == table.end()) {
        return std::nullopt;
    }
    return found->format(status);
}

std::vector<StatusMessage> statusMessages(const VehicleStatus& status) {
    std::vector<StatusMessage> messages;
    for (const auto& entry : formats()) {
        messages.push_back({entry.object.index, entry.format(status)});
    }
    return messages;
}

}  // namespace kova::sim
