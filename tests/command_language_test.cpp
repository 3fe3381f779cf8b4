// The command language from line to plan: accepted forms, usage texts, fall-through, splitting.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command/CommandLanguage.h"

namespace kova {
namespace {

struct Case {
    std::string line;
    std::string message;                   // expected text to show; empty when requests are sent
    std::vector<PlannedRequest> requests;  // expected requests, in order
};

const std::string kWrong = kWrongCommandText;
constexpr long kPause = 100;

std::string describe(const CommandPlan& plan) {
    std::string text = "message '" + plan.message + "' requests";
    for (const PlannedRequest& r : plan.requests) {
        text += " [" + r.verb + " '" + r.body + "' " + std::to_string(r.waitMs) + "ms]";
    }
    return text;
}

void expectPlans(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const CommandPlan plan = planCommand(c.line);
        SCOPED_TRACE("line '" + c.line + "' gave " + describe(plan));
        EXPECT_EQ(plan.message, c.message);
        ASSERT_EQ(plan.requests.size(), c.requests.size());
        for (std::size_t i = 0; i < c.requests.size(); ++i) {
            EXPECT_EQ(plan.requests[i].verb, c.requests[i].verb);
            EXPECT_EQ(plan.requests[i].body, c.requests[i].body);
            EXPECT_EQ(plan.requests[i].waitMs, c.requests[i].waitMs);
        }
    }
}

TEST(CommandLanguage, TheUnrecognisedCommandTextIsTheOperatorsOwn) {
    EXPECT_EQ(kWrong, "wrong commnad [h|s|set|setm|get|getm|log|switch|m|control|servo|goal|sgoal|steer]");
}

TEST(CommandLanguage, RawObjectAccess) {
    expectPlans({
        {"set/100/0/1", "", {{"set", "100/0/1", 0}}},
        {"set / 100 / 0 / 1", "", {{"set", "100/0/1", 0}}},
        {"set/100//1", "", {{"set", "100//1", 0}}},
        {"set/x/-1/abc", "", {{"set", "x/-1/abc", 0}}},
        {"set/100/0", "set/index/subindex/value", {}},
        {"set/100/0/ ", "set/index/subindex/value", {}},
        {"set", "set/index/subindex/value", {}},
        {"set/1/0/1/2", "set/index/subindex/value", {}},
        {"setm", "setm/index/value0/value1/value2...", {}},
        {"setm/5", "setm/index/value0/value1/value2...", {}},
        {"setm/5/1", "", {{"setm", "5/1", 0}}},
        {"setm/5/1/2/3", "", {{"setm", "5/1/2/3", 0}}},
        {"setm/5//", "", {{"setm", "5//", 0}}},
        {"get/1/0", "", {{"get", "1/0", 0}}},
        {"get/1", "get/index/subindex", {}},
        {"get/1/0/0", "get/index/subindex", {}},
        {"getm/5", "", {{"getm", "5", 0}}},
        {"getm/", "", {{"getm", "", 0}}},
        {"getm", "getm/index", {}},
        {"getm/5/1", "getm/index", {}},
    });
}

TEST(CommandLanguage, ModeSwitchAndLogPublishing) {
    expectPlans({
        {"switch/auto", "", {{"set", "112/0/2", 0}}},
        {"switch/man", "", {{"set", "112/0/3", 0}}},
        {"switch / man ", "", {{"set", "112/0/3", 0}}},
        {"switch/Auto", "switch/[auto|man]", {}},
        {"switch", "switch/[auto|man]", {}},
        {"switch/auto/1", "switch/[auto|man]", {}},
        {"log/pub/on", "", {{"set", "703/0/1", 0}}},
        {"log/pub/off", "", {{"set", "703/0/0", 0}}},
        {"log/debug/on", "", {{"set", "703/1/1", 0}}},
        {"log/debug/off", "", {{"set", "703/1/0", 0}}},
        {"log/pub/ON", "log/pub/[on|off]", {}},
        {"log/pub/", "log/pub/[on|off]", {}},
        {"log/debug/1", "log/debug/[on|off]", {}},
        {"log/pub", "log/[pub|debug]/[on|off]", {}},
        {"log", "log/[pub|debug]/[on|off]", {}},
        {"log/Pub/on", "log/[pub|debug]/[on|off]", {}},
        {"log/pub/on/1", "log/[pub|debug]/[on|off]", {}},
    });
}

// "m", "h" and "s" have no usage text for too many fields: the line goes on down the table and
// ends with the unrecognised-command text.
TEST(CommandLanguage, ManualMoveAndStopsFallThroughWithTooManyFields) {
    expectPlans({
        {"m", "m/[f|b|s|] -- manual", {}},
        {"m/f", "", {{"set", "4091/0/1", kPause}}},
        {"m/b", "", {{"set", "4091/0/-1", kPause}}},
        {"m/s", "", {{"set", "4091/0/0", kPause}}},
        {"m/x", "", {{"set", "4091/0/0", kPause}}},
        {"m/", "", {{"set", "4091/0/0", kPause}}},
        {"m/F", "", {{"set", "4091/0/0", kPause}}},
        {"m/f/1", kWrong, {}},
        {"h", "", {{"set", "4011/0/3", kPause}}},
        {" h ", "", {{"set", "4011/0/3", kPause}}},
        {"h/1", kWrong, {}},
        {"h/", kWrong, {}},
        {"s", "", {{"set", "4011/0/6", kPause}}},
        {"s/1", kWrong, {}},
        {"H", kWrong, {}},
    });
}

TEST(CommandLanguage, ControlServoAndSteeringForms) {
    const std::string control = "control/[sby|soff|rdy|hstp|sstp|rfcw|rf|cw|sp|locb|relb|cr]";
    const std::string servo = "servo/[on|off|qs|locb|relb|rf|rc|rn]";
    const std::string steer = "steer/[LL|RR|LX|XL|RX|XR|00|11|1X|X1|0X|X0]";
    expectPlans({
        {"control/cr", "", {{"set", "4011/0/12", kPause}}},
        {"control / sp", "", {{"set", "4011/0/1", kPause}}},
        {"control/sp/1", control, {}},
        {"control", control, {}},
        {"control/SP", control, {}},
        {"control/", control, {}},
        {"control/on", control, {}},  // a servo keyword
        {"servo/rf", "", {{"set", "4092/0/8", kPause}}},
        {"servo/on", "", {{"set", "4092/0/1", kPause}}},
        {"servo/rc", "", {{"set", "4092/0/6", kPause}}},
        {"servo/ON", servo, {}},
        {"servo", servo, {}},
        {"servo/on/off", servo, {}},
        {"servo/sp", servo, {}},  // a control keyword
        {"steer/X0", "", {{"set", "3050/0/X0", kPause}}},
        {"steer/ RX ", "", {{"set", "3050/0/RX", kPause}}},
        {"steer/ll", steer, {}},
        {"steer/LLL", steer, {}},
        {"steer/1x", steer, {}},
        {"steer", steer, {}},
        {"steer/LL/RR", steer, {}},
    });
}

// "h" and "s" write what the control keywords "hstp" and "sstp" write.
TEST(CommandLanguage, StopsAreTheirControlKeywords) {
    EXPECT_EQ(planCommand("h").requests.at(0).body, planCommand("control/hstp").requests.at(0).body);
    EXPECT_EQ(planCommand("s").requests.at(0).body, planCommand("control/sstp").requests.at(0).body);
}

TEST(CommandLanguage, GoalsSendBothWritesWithAPauseAfterEach) {
    expectPlans({
        {"goal/15", "", {{"set", "3033/0/15", kPause}, {"set", "3031/0/2", kPause}}},
        {"goal/", "goal/point ID", {}},
        {"sgoal/ ", "sgoal/pointID0;pointID1;pointID2", {}},
        {"goal", "goal/point ID", {}},
        {"goal/1/2", "goal/point ID", {}},
        {"sgoal/3;7;12", "", {{"set", "3034/0/3;7;12", kPause}, {"set", "3031/0/3", kPause}}},
        {"sgoal/ 3; 7 ", "", {{"set", "3034/0/3; 7", kPause}, {"set", "3031/0/3", kPause}}},
        {"sgoal", "sgoal/pointID0;pointID1;pointID2", {}},
        {"sgoal/1/2", "sgoal/pointID0;pointID1;pointID2", {}},
    });
}

TEST(CommandLanguage, WordsAreExactAndCaseSensitive) {
    expectPlans({
        {"SET/1/0/1", kWrong, {}},
        {"Set/1/0/1", kWrong, {}},
        {"sets/1/0/1", kWrong, {}},
        {"se t/1/0/1", kWrong, {}},
        {"goal15", kWrong, {}},
        {"x", kWrong, {}},
    });
}

TEST(CommandLanguage, EmptyBlankAndSeparatorOnlyLines) {
    expectPlans({
        {"", "", {}},
        {" ", kWrong, {}},
        {"     \t ", kWrong, {}},
        {" / / ", kWrong, {}},
    });
}

TEST(CommandLanguage, BytesThatAreNotBlanksGoIntoTheBodyAsTyped) {
    expectPlans({
        {"set/\xff/\x80/\xc3\xa9", "", {{"set", "\xff/\x80/\xc3\xa9", 0}}},
        {"set/1\x01/0/\x1b[2J", "", {{"set", "1\x01/0/\x1b[2J", 0}}},
        {"set/%s/%n/%d", "", {{"set", "%s/%n/%d", 0}}},
        {"set\x01/1/0/1", kWrong, {}},
        {std::string("get/1\0/0", 8), "", {{"get", std::string("1\0/0", 4), 0}}},
    });
}

TEST(CommandLanguage, LongestLinesStayWhole) {
    std::string values;
    while (values.size() < 250) {
        values += "/9";
    }
    const std::string line = ("setm/1" + values).substr(0, 255);
    const CommandPlan plan = planCommand(line);
    ASSERT_EQ(plan.requests.size(), 1u);
    EXPECT_EQ(plan.requests[0].body, line.substr(5));

    const std::string word(255, 'g');
    EXPECT_EQ(planCommand(word).message, kWrong);
    EXPECT_EQ(planCommand(std::string(255, '/')).argument, std::string(254, '/'));
}

// The log's search and filter take the rest of the line as typed, "/" and blanks inside included.
TEST(CommandLanguage, FindAndFilterTakeTheRestOfTheLine) {
    const struct {
        const char* line;
        ConsoleAction action;
        const char* argument;
    } cases[] = {
        {"/", ConsoleAction::Find, ""},           {"////", ConsoleAction::Find, "///"},
        {"/a/b c", ConsoleAction::Find, "a/b c"}, {" find  x/y ", ConsoleAction::Find, "x/y "},
        {"find", ConsoleAction::Find, ""},        {"filter re:E\\d", ConsoleAction::Filter, "re:E\\d"},
        {"filter", ConsoleAction::Filter, ""},    {"finder", ConsoleAction::None, ""},
        {" /x", ConsoleAction::None, ""},
    };
    for (const auto& c : cases) {
        const CommandPlan plan = planCommand(c.line);
        EXPECT_EQ(plan.action, c.action) << c.line;
        EXPECT_EQ(plan.argument, c.argument) << c.line;
        EXPECT_TRUE(plan.requests.empty()) << c.line;
    }
}

TEST(CommandFields, SplitAtSlashesTrimmedWithEmptyFieldsKept) {
    using Fields = std::vector<std::string>;
    const std::vector<std::pair<std::string, Fields>> cases = {
        {"", {}},
        {"   ", {""}},
        {"////", {"", "", "", "", ""}},
        {"a/", {"a", ""}},
        {"/a", {"", "a"}},
        {" set / 1 / 0 / 1 ", {"set", "1", "0", "1"}},
        {"\ta\r\n/\vb\f", {"a", "b"}},
        {"a b/ c d ", {"a b", "c d"}},
        {"a;b/c", {"a;b", "c"}},
    };
    for (const auto& [line, fields] : cases) {
        EXPECT_EQ(splitCommandFields(line), fields) << "line '" << line << "'";
    }
}

}  // namespace
}  // namespace kova
