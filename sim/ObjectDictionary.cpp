#include "sim/ObjectDictionary.h"

#include <algorithm>
#include <map>

#include "sim/RequestBody.h"
#include "sim/StatusObjects.h"

namespace kova::sim {

namespace {

// Fixed parameters of the controller, readable only.
const std::map<int, std::string>& parameters() {
    static const std::map<int, std::string> table = {
        {101, "1.4.2"},                                           // version
        {102, "sim"},                                             // release
        {106, "kovaSimOHV"},                                      // system name
        {3041, "builtin-16"},                                     // route map
        {3051, "3000"},                                           // steering time-out, ms
        {4004, std::to_string(Telemetry::kControlPeriodTarget)},  // control period target, µs
    };
    return table;
}

std::string path(int index, int subindex) {
    return std::to_string(index) + "/" + std::to_string(subindex);
}

Reply malformed(const std::string& body, const char* form) {
    return {false, "ERR: malformed body '" + printable(body) + "' (" + form + ")"};
}

Reply unknownObject(int index, int subindex) {
    return {false, "ERR: unknown object " + path(index, subindex)};
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
        return CommandResult::refused("value must be an integer");
    }
    out = *parsed;
    return CommandResult::done();
}

CommandResult needSwitch(const std::string& value, bool& out) {
    const auto parsed = parseInteger(value);
    if (!parsed || (*parsed != 0 && *parsed != 1)) {
        return CommandResult::refused("value must be 0 or 1");
    }
    out = *parsed == 1;
    return CommandResult::done();
}

}  // namespace

ObjectDictionary::ObjectDictionary(VehicleModel& model, LogSwitches& switches)
    : model_(model), switches_(switches) {}

Reply ObjectDictionary::handle(const std::string& verb, const std::string& body) {
    const auto fields = splitFields(body);
    if (verb == "set") {
        return fields.size() == 3 ? set(fields) : malformed(body, "set index/subindex/value");
    }
    if (verb == "setm") {
        return fields.size() >= 2 ? setMany(fields) : malformed(body, "setm index/value0/value1...");
    }
    if (verb == "get") {
        return fields.size() == 2 ? get(fields) : malformed(body, "get index/subindex");
    }
    if (verb == "getm") {
        return fields.size() == 1 ? getAll(fields) : malformed(body, "getm index");
    }
    return {false, "ERR: unknown verb '" + printable(verb) + "' (set, setm, get, getm)"};
}

bool ObjectDictionary::writable(int index, int subindex) {
    static const std::vector<int> objects = {112, 3031, 3033, 3034, 3050, 4011, 4026, 4091, 4092};
    if (index == 703) {
        return subindex == 0 || subindex == 1;
    }
    return subindex == 0 && std::find(objects.begin(), objects.end(), index) != objects.end();
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
            return {false, shown + " ERR: read-only object"};
        }
        return unknownObject(*index, *subindex);
    }
    const CommandResult result = write(*index, *subindex, fields[2]);
    return {result.ok, shown + (result.ok ? " OK" : " ERR: " + result.reason)};
}

CommandResult ObjectDictionary::write(int index, int subindex, const std::string& value) {
    if (index == 3034) {
        const auto points = parsePointList(value);
        return points ? model_.setGoalList(*points)
                      : CommandResult::refused("point list must be like 3;7;12");
    }
    if (index == 3050) {
        return model_.steer(value);
    }
    if (index == 703 || index == 4026) {
        bool on = false;
        CommandResult result = needSwitch(value, on);
        if (result.ok && index == 4026) {
            return model_.setObstacleUse(on);
        }
        if (result.ok) {
            (subindex == 0 ? switches_.publish : switches_.debug) = on;
        }
        return result;
    }
    int number = 0;
    CommandResult result = needInteger(value, number);
    if (!result.ok) {
        return result;
    }
    switch (index) {
        case 112:
            return model_.setMode(number);
        case 4091:
            return model_.manualMove(number);
        case 4011:
            return model_.control(number);
        case 4092:
            return model_.servo(number);
        case 3033:
            return model_.setGoalPoint(number);
        default:  // 3031
            lastStart_ = number;
            return model_.startGoal(number);
    }
}

Reply ObjectDictionary::setMany(const std::vector<std::string>& fields) {
    const auto index = parseInteger(fields[0]);
    if (!index) {
        return malformed(joined(fields, "/"), "setm index/value0/value1...");
    }
    const std::vector<std::string> values(fields.begin() + 1, fields.end());
    const std::string shown = std::to_string(*index) + " = " + printable(joined(values, "/"));
    CommandResult result;
    if (*index == 3034) {
        result = write(3034, 0, joined(values, ";"));
    } else if (*index == 703 && values.size() <= 2) {
        for (std::size_t i = 0; i < values.size() && result.ok; ++i) {
            result = write(703, static_cast<int>(i), values[i]);
        }
    } else if (writable(*index, 0)) {
        result = values.size() == 1 ? write(*index, 0, values[0]) : CommandResult::refused("takes one value");
    } else {
        return read(*index) ? Reply{false, shown + " ERR: read-only object"} : unknownObject(*index, 0);
    }
    return {result.ok, shown + (result.ok ? " OK" : " ERR: " + result.reason)};
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
    const VehicleStatus status = model_.readout();
    const std::map<int, std::string> stored = {
        {112, std::to_string(model_.mode())},         {3031, std::to_string(lastStart_)},
        {3033, std::to_string(model_.goalPoint())},   {3034, goals},
        {4011, std::to_string(status.values4032[0])}, {4026, model_.obstacleUse() ? "1" : "0"},
        {4091, std::to_string(status.values4031[0])}, {4092, std::to_string(status.values4032[1])},
    };
    if (index == 703) {
        return std::vector<std::string>{switches_.publish ? "1" : "0", switches_.debug ? "1" : "0"};
    }
    if (const auto found = stored.find(index); found != stored.end()) {
        return std::vector<std::string>{found->second};
    }
    if (index == 3050) {
        return std::vector<std::string>{model_.steerTarget()};
    }
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
