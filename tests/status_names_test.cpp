// The code-to-word functions of the controller's state machines: what a code outside a table
// gives, and that the codes inside it each have a word of their own.
#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/StateCodes.h"

namespace kova {
namespace {

using namespace protocol;

struct NameTable {
    const char* name;
    std::string (*word)(int);
    const char* fallback;
    int first;                  // lowest code with a word of its own
    int last;                   // highest code with a word of its own
    std::vector<int> unlisted;  // codes from first to last without one
};

const NameTable kTables[] = {
    {"operationStateName", operationStateName, "Undefined", 0, 6, {}},
    {"manualStatusName", manualStatusName, "Undefined", 0, 8, {1, 4, 5}},
    {"automaticStatusName", automaticStatusName, "Undefined", 0, 11, {1, 2, 4, 6}},
    {"pathKindName", pathKindName, "None", 1, 5, {}},
    {"servoStateName", servoStateName, "none", 1, 4, {}},
    {"dataloggerStateName", dataloggerStateName, "Stop", 1, 3, {}},
    {"obstacleDetectName", obstacleDetectName, "No", 1, 3, {}},
    {"velocityPhaseName", velocityPhaseName, "None", 1, 10, {}},
    {"nmtStateName", nmtStateName, "None", 1, 4, {}},
};

TEST(StatusNames, CodesOutsideATableGiveItsDefaultWord) {
    for (const NameTable& t : kTables) {
        std::vector<int> codes = t.unlisted;
        codes.insert(codes.end(), {t.first - 1, t.last + 1, -1, INT_MIN, INT_MAX});
        for (int code : codes) {
            EXPECT_EQ(t.word(code), t.fallback) << t.name << "(" << code << ")";
        }
    }
}

TEST(StatusNames, EveryListedCodeHasAWordOfItsOwn) {
    for (const NameTable& t : kTables) {
        std::set<std::string> words;
        for (int code = t.first; code <= t.last; ++code) {
            if (std::find(t.unlisted.begin(), t.unlisted.end(), code) != t.unlisted.end()) {
                continue;
            }
            const std::string word = t.word(code);
            EXPECT_NE(word, t.fallback) << t.name << "(" << code << ")";
            EXPECT_TRUE(words.insert(word).second) << t.name << "(" << code << ") repeats " << word;
        }
    }
    // The words the operator knows the states by.
    EXPECT_EQ(operationStateName(0), "StartUp");
    EXPECT_EQ(manualStatusName(3), "ReadyToAutomaticOp");
    EXPECT_EQ(automaticStatusName(10), "CancelRouteServoOffActive");
    EXPECT_EQ(nmtStateName(3), "Op");
}

}  // namespace
}  // namespace kova
