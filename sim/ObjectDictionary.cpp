#include "sim/ObjectDictionary.h"

#include <algorithm>
#include <map>

#include "protocol/CommandCodes.h"
#include "protocol/ObjectIndex.h"
#include "protocol/ObjectTable.h"
#include "sim/RequestBody.h"
#include "sim/StatusObjects.h"

namespace kova::sim {

namespace {

namespace object = protocol::object;
using protocol::code;
using protocol::SwitchValue;

// Fixed parameters of the controller, readable only.
const std::map<int, std::string>& parameters() {
    static const std::map<int, std::string> table = {
        {object::kVersion, "1.4.2"},
        {object::kRelease, "sim"},
        {object::kSystemName, "kovaSimOHV"},
        {object::kRouteMap, "builtin-16"},
        {object::kSteeringTimeout, "3000"},
        {object::kControlPeriodTarget, std::to_string(Telemetry::kControlPeriodTarget)},
    };
    return table;
}

std::string path(int index, int subindex) {
    return std::to_string(index) + "/" + std::to_string(subindex);
}

Reply malformed(const std::string& body, const char* form) {
    return {false, "ERR: malformed body '" + printable(body) + "' (" + form + ")", false};
}

Reply unknownObject(int index, int subindex) {
    return {false, "ERR: unknown object " + path(index, subindex), false};
}

Reply readOnly(const std::string& shown) {
    return {false, shown + " ERR: read-only object", false};
}

// The reply to a write: the object and value as written, then OK or why not.
Reply written(const std::string& shown, const CommandResult& result) {
    return {result.ok, shown + (result.ok ? " OK" : " ERR: " + result.reason), result.understood};
}

std::string joined(const std::vector<std::string>& values, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += (i == 0 ? "" : separator) + values[i];
    }
    return text;
}

CommandResult needInteger(const std::string& value, int& out) {
    const auto parsed = parseInteger(value);
    if (!parsed) {
        return CommandResult::invalid("value must be an integer");
    }
    out = *parsed;
    return CommandResult::done();
}

CommandResult needSwitch(const std::string& value, bool& out) {
    const auto parsed = parseInteger(value);
    if (!parsed || (*parsed != code(SwitchValue::Off) && *parsed != code(SwitchValue::On))) {
        return CommandResult::invalid("value must be 0 or 1");
    }
    out = *parsed == code(SwitchValue::On);
    return CommandResult::done();
}

}  // namespace

ObjectDictionary::ObjectDictionary(VehicleModel& model, LogSwitches& switches)
    : model_(model), switches_(switches) {}

Reply ObjectDictionary::handle(const std::string& verb, const std::string& body) {
    const auto fields = splitFields(body);
    if (verb == protocol::kVerbSet) {
        return fields.size() == 3 ? set(fields) : malformed(body, "set index/subindex/value");
    }
    if (verb == protocol::kVerbSetMany) {
        return fields.size() >= 2 ? setMany(fields) : malformed(body, "setm index/value0/value1...");
    }
    if (verb == protocol::kVerbGet) {
        return fields.size() == 2 ? get(fields) : malformed(body, "get index/subindex");
    }
    if (verb == protocol::kVerbGetMany) {
        return fields.size() == 1 ? getAll(fields) : malformed(body, "getm index");
    }
    return {false, "ERR: unknown verb '" + printable(verb) + "' (set, setm, get, getm)", false};
}

bool ObjectDictionary::writable(int index, int subindex) {
    // The objects the console writes, from the one table both sides share.
    const auto& objects = protocol::knownObjects();
    return std::any_of(objects.begin(), objects.end(), [&](const protocol::ObjectInfo& known) {
        return known.written && known.index == index && known.subindex == subindex;
    });
}

Reply ObjectDictionary::set(const std::vector<std::string>& fields) {
    const auto index = parseInteger(fields[0]);
    const auto subindex = parseInteger(fields[1]);
    if (!index || !subindex) {
        return malformed(joined(fields, "/"), "set index/subindex/value");
    }
    const std::string shown = path(*index, *subindex) + " = " + printable(fields[2]);
    if (!writable(*index, *subindex)) {
        const auto values = read(*index);
        if (values && *subindex >= 0 && *subindex < static_cast<int>(values->size())) {
            return readOnly(shown);
        }
        return unknownObject(*index, *subindex);
    }
    return written(shown, write(*index, *subindex, fields[2]));
}

CommandResult ObjectDictionary::write(int index, int subindex, const std::string& value) {
    switch (index) {
        case object::kGoalList: {
            const auto points = parsePointList(value);
            return points ? model_.setGoalList(*points)
                          : CommandResult::invalid("point list must be like 3;7;12");
        }
        case object::kSteeringTarget:
            return model_.steer(value);
        case object::kLogSwitches:
        case object::kObstacleUse:
            return writeSwitch(index, subindex, value);
        default:
            break;
    }
    int number = 0;
    CommandResult result = needInteger(value, number);
    if (!result.ok) {
        return result;
    }
    switch (index) {
        case object::kOperatingMode:
            return model_.setMode(number);
        case object::kManualMove:
            return model_.manualMove(number);
        case object::kControlCommand:
            return model_.control(number);
        case object::kServoCommand:
            return model_.servo(number);
        case object::kGoalPoint:
            return model_.setGoalPoint(number);
        default:  // the goal start
            lastStart_ = number;
            return model_.startGoal(number);
    }
}

// The obstacle sensor and the two log switches take 1 (on) or 0 (off).
CommandResult ObjectDictionary::writeSwitch(int index, int subindex, const std::string& value) {
    bool on = false;
    CommandResult result = needSwitch(value, on);
    if (!result.ok) {
        return result;
    }
    if (index == object::kObstacleUse) {
        return model_.setObstacleUse(on);
    }
    (subindex == code(protocol::LogSwitch::Publish) ? switches_.publish : switches_.debug) = on;
    return result;
}

Reply ObjectDictionary::setMany(const std::vector<std::string>& fields) {
    const auto index = parseInteger(fields[0]);
    if (!index) {
        return malformed(joined(fields, "/"), "setm index/value0/value1...");
    }
    const std::vector<std::string> values(fields.begin() + 1, fields.end());
    const std::string shown = std::to_string(*index) + " = " + printable(joined(values, "/"));
    CommandResult result;
    if (*index == object::kGoalList) {
        result = write(object::kGoalList, 0, joined(values, ";"));
    } else if (*index == object::kLogSwitches && values.size() <= 2) {
        for (std::size_t i = 0; i < values.size() && result.ok; ++i) {
            result = write(object::kLogSwitches, static_cast<int>(i), values[i]);
        }
    } else if (writable(*index, 0)) {
        result = values.size() == 1 ? write(*index, 0, values[0]) : CommandResult::invalid("takes one value");
    } else {
        return read(*index) ? readOnly(shown) : unknownObject(*index, 0);
    }
    return written(shown, result);
}

// The values of an object, subindex 0 first.
std::optional<std::vector<std::string>> ObjectDictionary::read(int index) const {
    const auto parameter = parameters().find(index);
    if (parameter != parameters().end()) {
        return std::vector<std::string>{parameter->second};
    }
    std::string goals;
    for (int point : model_.goalList()) {
        goals += (goals.empty() ? "" : ";") + std::to_string(point);
    }
    const auto onOff = [](bool on) { return std::to_string(code(on ? SwitchValue::On : SwitchValue::Off)); };
    const CommandEcho& echo = model_.commandEcho();
    const std::map<int, std::string> stored = {
        {object::kOperatingMode, std::to_string(model_.mode())},
        {object::kGoalStart, std::to_string(lastStart_)},
        {object::kGoalPoint, std::to_string(model_.goalPoint())},
        {object::kGoalList, goals},
        {object::kControlCommand, std::to_string(echo.control)},
        {object::kObstacleUse, onOff(model_.obstacleUse())},
        {object::kManualMove, std::to_string(echo.manualMove)},
        {object::kServoCommand, std::to_string(echo.servo)},
    };
    if (index == object::kLogSwitches) {
        return std::vector<std::string>{onOff(switches_.publish), onOff(switches_.debug)};
    }
    if (const auto found = stored.find(index); found != stored.end()) {
        return std::vector<std::string>{found->second};
    }
    if (index == object::kSteeringTarget) {
        return std::vector<std::string>{model_.steerTarget()};
    }
    const VehicleStatus status = model_.readout();
    if (const auto values = statusValues(status, index)) {
        return splitFields(*values);
    }
    return std::nullopt;
}

Reply ObjectDictionary::get(const std::vector<std::string>& fields) {
    const auto index = parseInteger(fields[0]);
    const auto subindex = parseInteger(fields[1]);
    if (!index || !subindex) {
        return malformed(joined(fields, "/"), "get index/subindex");
    }
    const auto values = read(*index);
    if (!values || *subindex < 0 || *subindex >= static_cast<int>(values->size())) {
        return unknownObject(*index, *subindex);
    }
    return {true, path(*index, *subindex) + " = " + printable((*values)[*subindex], 200)};
}

Reply ObjectDictionary::getAll(const std::vector<std::string>& fields) {
    const auto index = parseInteger(fields[0]);
    if (!index) {
        return malformed(fields[0], "getm index");
    }
    const auto values = read(*index);
    if (!values) {
        return {false, "ERR: unknown object " + std::to_string(*index)};
    }
    return {true, std::to_string(*index) + " = " + printable(joined(*values, "/"), 200)};
}

}  // namespace kova::sim
