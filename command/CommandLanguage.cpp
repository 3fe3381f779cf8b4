#include "command/CommandLanguage.h"

#include <array>
#include <optional>

#include <Poco/StringTokenizer.h>

#include "command/CommandKeywords.h"

namespace kova {

const char* const kWrongCommandText =
    "wrong commnad [h|s|set|setm|get|getm|log|switch|m|control|servo|goal|sgoal|steer]";

namespace {

using Fields = std::vector<std::string>;

// A command's handler: the plan for the fields, or nothing when the line is not this command's and
// goes on down the table (the word matched but the form belongs to no one).
using Handler = std::optional<CommandPlan> (*)(const Fields&);

CommandPlan usage(const char* text) {
    CommandPlan plan;
    plan.message = text;
    return plan;
}

CommandPlan send(const std::string& verb, const std::string& body, long waitMs = 0) {
    CommandPlan plan;
    plan.requests.push_back(PlannedRequest{verb, body, waitMs});
    return plan;
}

// "set" with object/subindex/value, followed by the short forms' pause.
CommandPlan write(const std::string& body) {
    return send("set", body, kCommandPauseMs);
}

std::string joinFrom(const Fields& fields, std::size_t first) {
    std::string joined;
    for (std::size_t i = first; i < fields.size(); ++i) {
        if (i > first) {
            joined += '/';
        }
        joined += fields[i];
    }
    return joined;
}

std::optional<CommandPlan> planSet(const Fields& f) {
    if (f.size() != 4) {
        return usage("set/index/subindex/value");
    }
    return send("set", joinFrom(f, 1));
}

std::optional<CommandPlan> planSetMany(const Fields& f) {
    if (f.size() < 3) {
        return usage("setm/index/value0/value1/value2...");
    }
    return send("setm", joinFrom(f, 1));
}

std::optional<CommandPlan> planGet(const Fields& f) {
    if (f.size() != 3) {
        return usage("get/index/subindex");
    }
    return send("get", joinFrom(f, 1));
}

std::optional<CommandPlan> planGetMany(const Fields& f) {
    if (f.size() != 2) {
        return usage("getm/index");
    }
    return send("getm", f[1]);
}

std::optional<CommandPlan> planSwitch(const Fields& f) {
    if (f.size() == 2 && f[1] == "auto") {
        return send("set", "112/0/2");
    }
    if (f.size() == 2 && f[1] == "man") {
        return send("set", "112/0/3");
    }
    return usage("switch/[auto|man]");
}

std::optional<CommandPlan> planManualMove(const Fields& f) {
    if (f.size() == 1) {
        return usage("m/[f|b|s|] -- manual");
    }
    if (f.size() == 2) {
        return write("4091/0/" + std::to_string(manualDirectionValue(f[1])));
    }
    return std::nullopt;
}

std::optional<CommandPlan> planHardStop(const Fields& f) {
    if (f.size() == 1) {
        return write("4011/0/3");
    }
    return std::nullopt;
}

std::optional<CommandPlan> planSoftStop(const Fields& f) {
    if (f.size() == 1) {
        return write("4011/0/6");
    }
    return std::nullopt;
}

std::optional<CommandPlan> planLog(const Fields& f) {
    const bool pub = f.size() == 3 && f[1] == "pub";
    const bool debug = f.size() == 3 && f[1] == "debug";
    const bool on = f.size() == 3 && f[2] == "on";
    const bool off = f.size() == 3 && f[2] == "off";
    if ((pub || debug) && (on || off)) {
        return send("set", std::string(pub ? "703/0/" : "703/1/") + (on ? "1" : "0"));
    }
    if (pub) {
        return usage("log/pub/[on|off]");
    }
    if (debug) {
        return usage("log/debug/[on|off]");
    }
    return usage("log/[pub|debug]/[on|off]");
}

std::optional<CommandPlan> planControl(const Fields& f) {
    const std::optional<int> value = f.size() == 2 ? controlValue(f[1]) : std::nullopt;
    if (!value) {
        return usage("control/[sby|soff|rdy|hstp|sstp|rfcw|rf|cw|sp|locb|relb|cr]");
    }
    return write("4011/0/" + std::to_string(*value));
}

std::optional<CommandPlan> planServo(const Fields& f) {
    const std::optional<int> value = f.size() == 2 ? servoValue(f[1]) : std::nullopt;
    if (!value) {
        return usage("servo/[on|off|qs|locb|relb|rf|rc|rn]");
    }
    return write("4092/0/" + std::to_string(*value));
}

// A goal is two writes: the target, then the kind of goal to the route generator. The second is
// sent whatever the first one's reply said.
CommandPlan goal(const std::string& target, const char* kind) {
    CommandPlan plan = write(target);
    plan.requests.push_back(PlannedRequest{"set", kind, kCommandPauseMs});
    return plan;
}

std::optional<CommandPlan> planGoal(const Fields& f) {
    if (f.size() != 2) {
        return usage("goal/point ID");
    }
    return goal("3033/0/" + f[1], "3031/0/2");
}

std::optional<CommandPlan> planGoalList(const Fields& f) {
    if (f.size() != 2) {
        return usage("sgoal/pointID0;pointID1;pointID2");
    }
    return goal("3034/0/" + f[1], "3031/0/3");
}

std::optional<CommandPlan> planSteer(const Fields& f) {
    if (f.size() != 2 || !isSteeringKeyword(f[1])) {
        return usage("steer/[LL|RR|LX|XL|RX|XR|00|11|1X|X1|0X|X0]");
    }
    return write("3050/0/" + f[1]);
}

struct Command {
    const char* word;
    Handler handler;
};

// Tried in this order; the first whose word matches and whose handler gives a plan wins.
constexpr std::array<Command, 14> kCommands{{
    {"set", planSet},
    {"setm", planSetMany},
    {"get", planGet},
    {"getm", planGetMany},
    {"switch", planSwitch},
    {"m", planManualMove},
    {"h", planHardStop},
    {"s", planSoftStop},
    {"log", planLog},
    {"control", planControl},
    {"servo", planServo},
    {"goal", planGoal},
    {"sgoal", planGoalList},
    {"steer", planSteer},
}};

}  // namespace

std::vector<std::string> splitCommandFields(const std::string& line) {
    const Poco::StringTokenizer tokens(line, "/", Poco::StringTokenizer::TOK_TRIM);
    return Fields(tokens.begin(), tokens.end());
}

CommandPlan planCommand(const std::string& line) {
    const Fields fields = splitCommandFields(line);
    if (fields.empty()) {
        return CommandPlan{};
    }
    for (const Command& command : kCommands) {
        if (fields[0] != command.word) {
            continue;
        }
        if (std::optional<CommandPlan> plan = command.handler(fields)) {
            return *plan;
        }
    }
    return usage(kWrongCommandText);
}

}  // namespace kova
