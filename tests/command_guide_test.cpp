// Help at the prompt: Tab completion of command words and keywords, and the command table.
#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command/CommandGuide.h"
#include "command/CommandLanguage.h"
#include "command/ObjectGuide.h"
#include "protocol/StatusLayout.h"

namespace kova {
namespace {

using Words = std::vector<std::string>;

TEST(CommandGuide, TabCompletesWordsAndKeywordsAndNamesTheCandidates) {
    const struct {
        std::string typed;
        std::string completed;
        Words candidates;
    } cases[] = {
        {"ser", "servo/", {"servo"}},
        {"servo/of", "servo/off", {"off"}},
        {"swi", "switch/", {"switch"}},
        {"switch/a", "switch/auto", {"auto"}},
        {"log/p", "log/pub/", {"pub"}},             // log takes one more field
        {"log/pub/o", "log/pub/o", {"on", "off"}},  // they share only the "o"
        {"se", "se", {"set", "setm", "servo"}},
        {"set", "set", {"set", "setm"}},
        {"he", "help", {"help"}},  // takes no field: no slash
        {"control/s", "control/s", {"sp", "sby", "soff", "sstp"}},
        {"steer/X", "steer/X", {"XL", "XR", "X1", "X0"}},
        {"goal/1", "goal/1", {}},                // a point ID: nothing to complete
        {"SER", "SER", {}},                      // words keep their case
        {"servo / of", "servo / off", {"off"}},  // blanks around fields as the language takes them
        {"ob", "objects", {"objects"}},
        // An object's index, shown with its name; the command's next field follows.
        {"get/300", "get/300", {"3008 connectedSegments", "3009 currentPosition"}},
        {"get/3009", "get/3009/", {"3009 currentPosition"}},
        {"set/70",
         "set/70",
         {"703 logSwitches.publish logSwitches.debug", "7022 driveControlWords", "7023 driveStates",
          "7024 frontPosition", "7027 frontTargetRpm", "7028 driveActualRpm", "7029 driveDemandTorque",
          "7030 driveActualTorque", "7031 driveServoStates", "7033 fieldBusPeriods", "7034 brakeState",
          "7035 driveStatusCodes"}},
        {"getm/411", "getm/411", {}},
    };
    for (const auto& c : cases) {
        const Completion completion = completeCommand(c.typed);
        EXPECT_EQ(completion.line, c.completed) << c.typed;
        EXPECT_EQ(completion.candidates, c.candidates) << c.typed;
    }
}

// Whatever Tab completes is a line the command language takes whole (or a prefix of one).
TEST(CommandGuide, CompletedKeywordsAreWhatTheLanguageAccepts) {
    for (const char* typed : {"servo/of", "control/cr", "steer/X0", "switch/m", "log/debug/of", "m/b"}) {
        const CommandPlan plan = planCommand(completeCommand(typed).line);
        EXPECT_TRUE(plan.message.empty()) << typed << ": " << plan.message;
        EXPECT_FALSE(plan.requests.empty()) << typed;
    }
}

TEST(CommandGuide, TheTableFitsTheBodyOrSaysItIsCut) {
    // The log window's body at the narrowest width the console is made for holds every entry.
    const auto wide = commandTable(7, 160, true);
    ASSERT_LE(wide.size(), 7u);
    std::string all;
    for (const std::string& row : wide) {
        EXPECT_LE(row.size(), 160u);
        all += row + "\n";
    }
    for (const char* usage :
         {"set/index/subindex/value", "control/[sby|soff|rdy|hstp|sstp|rfcw|rf|cw|sp|locb|relb|cr]",
          "sgoal/pointID0;pointID1;pointID2", "Ctrl-C: end", "filter [TEXT]", "s: order, a: alarms"}) {
        EXPECT_NE(all.find(usage), std::string::npos) << usage;
    }
    const auto narrow = commandTable(7, 80);
    ASSERT_EQ(narrow.size(), 7u);
    EXPECT_EQ(narrow.back(), "... a wider terminal shows the whole table");
    EXPECT_TRUE(commandTable(0, 80).empty());
}

// The objects listing: every status object the stream carries, marked so, and every object the
// commands write, each named once.
TEST(CommandGuide, TheObjectsListingNamesEveryObjectOnce) {
    EXPECT_EQ(planCommand("objects").action, ConsoleAction::Objects);
    const std::vector<std::string> lines = objectListing();
    ASSERT_FALSE(lines.empty());
    std::set<std::string> names;
    std::size_t onStream = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        std::string where, name, type, stream;
        fields >> where >> name >> type >> stream;
        EXPECT_TRUE(names.insert(name).second) << lines[i];
        onStream += stream == "status" ? 1 : 0;
    }
    EXPECT_EQ(onStream, protocol::kStatusObjectCount);
    for (const char* line : {" 3009/0   currentPosition        int,int,int                  status -",
                             " 3033/0   goalPoint              int                          -      set"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

TEST(CommandGuide, HelpAndQuestionMarkAreTheConsolesOwn) {
    EXPECT_EQ(planCommand("help").action, ConsoleAction::Help);
    EXPECT_EQ(planCommand(" ? ").action, ConsoleAction::Help);
    EXPECT_TRUE(planCommand("help").requests.empty());
    EXPECT_EQ(planCommand("helps").action, ConsoleAction::None);
}

}  // namespace
}  // namespace kova
