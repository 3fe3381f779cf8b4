#include "command/CommandLanguage.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include <Poco/StringTokenizer.h>

#include "command/CommandUsage.h"
#include "protocol/CommandCodes.h"
#include "protocol/ObjectIndex.h"

namespace kova {

const char* const kWrongCommandText =
    "wrong commnad [h|s|set|setm|get|getm|log|switch|m|control|servo|goal|sgoal|steer]";

namespace {

using Fields = std::vector<std::string>;
namespace object = protocol::object;
using protocol::code;

// A command's handler: the plan for the fields, or nothing when the line is not this command's and
// goes on down the table (the word matched but the form belongs to no one).
using Handler = std::optional<CommandPlan> (*)(const Fields&);

CommandPlan showUsage(const char* text) {
    CommandPlan plan;
    plan.message = text;
    return plan;
}

CommandPlan send(std::string_view verb, const std::string& body, long waitMs = 0) {
    CommandPlan plan;
    plan.requests.push_back(PlannedRequest{std::string(verb), body, waitMs});
    return plan;
}

// The body that writes `value` to subindex `subindex` of object `index`.
std::string writeBody(int index, int subindex, const std::string& value) {
    return std::to_string(index) + "/" + std::to_string(subindex) + "/" + value;
}

std::string writeBody(int index, int value) {
    return writeBody(index, 0, std::to_string(value));
}

// "set" with object/subindex/value, followed by the short forms' pause.
CommandPlan write(const std::string& body) {
    return send(protocol::kVerbSet, body, kCommandPauseMs);
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
    if (f.size() != 4 || f[3].empty()) {
        return showUsage(usage::kSet);
    }
    return send(protocol::kVerbSet, joinFrom(f, 1));
}

std::optional<CommandPlan> planSetMany(const Fields& f) {
    if (f.size() < 3) {
        return showUsage(usage::kSetMany);
    }
    return send(protocol::kVerbSetMany, joinFrom(f, 1));
}

std::optional<CommandPlan> planGet(const Fields& f) {
    if (f.size() != 3) {
        return showUsage(usage::kGet);
    }
    return send(protocol::kVerbGet, joinFrom(f, 1));
}

std::optional<CommandPlan> planGetMany(const Fields& f) {
    if (f.size() != 2) {
        return showUsage(usage::kGetMany);
    }
    return send(protocol::kVerbGetMany, f[1]);
}

std::optional<CommandPlan> planSwitch(const Fields& f) {
    const auto mode = f.size() == 2 ? protocol::keywordValue(protocol::kModeKeywords, f[1]) : std::nullopt;
    if (!mode) {
        return showUsage(usage::kSwitch);
    }
    return send(protocol::kVerbSet, writeBody(object::kOperatingMode, code(*mode)));
}

std::optional<CommandPlan> planManualMove(const Fields& f) {
    if (f.size() == 1) {
        return showUsage(usage::kManualMove);
    }
    if (f.size() == 2) {
        return write(writeBody(object::kManualMove, code(protocol::manualDirectionFor(f[1]))));
    }
    return std::nullopt;
}

std::optional<CommandPlan> planHardStop(const Fields& f) {
    if (f.size() == 1) {
        return write(writeBody(object::kControlCommand, code(protocol::ControlCommand::HardStop)));
    }
    return std::nullopt;
}

std::optional<CommandPlan> planSoftStop(const Fields& f) {
    if (f.size() == 1) {
        return write(writeBody(object::kControlCommand, code(protocol::ControlCommand::SoftStop)));
    }
    return std::nullopt;
}

std::optional<CommandPlan> planLog(const Fields& f) {
    const auto which =
        f.size() == 3 ? protocol::keywordValue(protocol::kLogSwitchKeywords, f[1]) : std::nullopt;
    const auto value =
        f.size() == 3 ? protocol::keywordValue(protocol::kSwitchValueKeywords, f[2]) : std::nullopt;
    if (which && value) {
        return send(protocol::kVerbSet,
                    writeBody(object::kLogSwitches, code(*which), std::to_string(code(*value))));
    }
    if (which == protocol::LogSwitch::Publish) {
        return showUsage(usage::kLogPublish);
    }
    if (which == protocol::LogSwitch::Debug) {
        return showUsage(usage::kLogDebug);
    }
    return showUsage(usage::kLog);
}

std::optional<CommandPlan> planControl(const Fields& f) {
    const auto command =
        f.size() == 2 ? protocol::keywordValue(protocol::kControlKeywords, f[1]) : std::nullopt;
    if (!command) {
        return showUsage(usage::kControl);
    }
    return write(writeBody(object::kControlCommand, code(*command)));
}

std::optional<CommandPlan> planServo(const Fields& f) {
    const auto command =
        f.size() == 2 ? protocol::keywordValue(protocol::kServoKeywords, f[1]) : std::nullopt;
    if (!command) {
        return showUsage(usage::kServo);
    }
    return write(writeBody(object::kServoCommand, code(*command)));
}

// A goal is two writes: the target, then the kind of goal to the route generator. The runner sends
// the second only when the controller took the first.
CommandPlan goal(int target, const std::string& points, protocol::GoalKind kind) {
    CommandPlan plan = write(writeBody(target, 0, points));
    plan.requests.push_back(PlannedRequest{std::string(protocol::kVerbSet),
                                           writeBody(object::kGoalStart, code(kind)), kCommandPauseMs});
    return plan;
}

std::optional<CommandPlan> planGoal(const Fields& f) {
    if (f.size() != 2 || f[1].empty()) {
        return showUsage(usage::kGoal);
    }
    return goal(object::kGoalPoint, f[1], protocol::GoalKind::Point);
}

std::optional<CommandPlan> planGoalList(const Fields& f) {
    if (f.size() != 2 || f[1].empty()) {
        return showUsage(usage::kGoalList);
    }
    return goal(object::kGoalList, f[1], protocol::GoalKind::List);
}

std::optional<CommandPlan> planSteer(const Fields& f) {
    if (f.size() != 2 || !protocol::isSteeringKeyword(f[1])) {
        return showUsage(usage::kSteer);
    }
    return write(writeBody(object::kSteeringTarget, 0, f[1]));
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

// "find TEXT", "/TEXT" and "filter TEXT": everything after the word (and the blanks after it) is the
// text as typed, "/" included, so they are read before the line is split. No controller command
// begins with "/"; it counts only as the line's very first character.
std::optional<CommandPlan> planLogQuery(const std::string& line) {
    if (line.empty()) {
        return std::nullopt;
    }
    std::string_view rest = line;
    CommandPlan plan;
    if (rest.front() == '/') {
        plan.action = ConsoleAction::Find;
        rest.remove_prefix(1);
    } else {
        rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t")));
        const std::string_view word = rest.substr(0, rest.find_first_of(" \t"));
        if (word != "find" && word != "filter") {
            return std::nullopt;
        }
        plan.action = word == "find" ? ConsoleAction::Find : ConsoleAction::Filter;
        rest.remove_prefix(word.size());
        rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t")));
    }
    plan.argument = std::string(rest);
    return plan;
}

}  // namespace

std::vector<std::string> splitCommandFields(const std::string& line) {
    const Poco::StringTokenizer tokens(line, "/", Poco::StringTokenizer::TOK_TRIM);
    return Fields(tokens.begin(), tokens.end());
}

CommandPlan planCommand(const std::string& line) {
    if (std::optional<CommandPlan> query = planLogQuery(line)) {
        return *query;
    }
    const Fields fields = splitCommandFields(line);
    if (fields.empty()) {
        return CommandPlan{};
    }
    if (fields[0] == "help" || fields[0] == "?") {
        CommandPlan plan;
        plan.action = ConsoleAction::Help;
        return plan;
    }
    if (fields[0] == "objects" && fields.size() == 1) {
        CommandPlan plan;
        plan.action = ConsoleAction::Objects;
        return plan;
    }
    if (fields[0] == "fleet" && fields.size() == 1) {
        CommandPlan plan;
        plan.action = ConsoleAction::Fleet;
        plan.message = kWrongCommandText;  // what a console without a fleet shows instead
        return plan;
    }
    for (const Command& command : kCommands) {
        if (fields[0] != command.word) {
            continue;
        }
        if (std::optional<CommandPlan> plan = command.handler(fields)) {
            return *plan;
        }
    }
    return showUsage(kWrongCommandText);
}

}  // namespace kova
