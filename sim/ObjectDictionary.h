#pragma once

#include <string>
#include <vector>

#include "sim/VehicleModel.h"

namespace kova::sim {

// The two switches of the controller's published log (object kLogSwitches).
struct LogSwitches {
    bool publish = true;  // subindex LogSwitch::Publish
    bool debug = false;   // subindex LogSwitch::Debug
};

// A reply to a request: frame 1 is "OK" or "ERR", frame 2 the text for the operator.
struct Reply {
    bool ok = false;
    std::string text;
    // False when the request itself is wrong, whatever state the vehicle is in: an unknown verb, a
    // malformed body, an unknown or read-only object, or a value the object does not take. A
    // refusal for the vehicle's present state (servo off, route in progress) is understood.
    bool understood = true;
    std::string status() const { return ok ? "OK" : "ERR"; }
};

// The controller's object dictionary as seen over the request socket: "set index/subindex/value",
// "setm index/value0/value1/...", "get index/subindex" and "getm index". Writes go to the vehicle
// model or the log switches; reads return stored values or the latest published values. Any text is
// answered; nothing here throws on malformed input.
class ObjectDictionary {
public:
    // `model` and `switches` must outlive the dictionary.
    ObjectDictionary(VehicleModel& model, LogSwitches& switches);

    Reply handle(const std::string& verb, const std::string& body);

private:
    Reply set(const std::vector<std::string>& fields);
    Reply setMany(const std::vector<std::string>& fields);
    Reply get(const std::vector<std::string>& fields);
    Reply getAll(const std::vector<std::string>& fields);
    CommandResult write(int index, int subindex, const std::string& value);
    CommandResult writeSwitch(int index, int subindex, const std::string& value);
    std::optional<std::vector<std::string>> read(int index) const;
    static bool writable(int index, int subindex);

    VehicleModel& model_;
    LogSwitches& switches_;
    int lastStart_ = 0;
};

}  // namespace kova::sim
