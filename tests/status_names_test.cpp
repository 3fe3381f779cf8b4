// The code-to-word tables of the controller's state machines.
#include <string>

#include <gtest/gtest.h>

#include "monitor/StatusNames.h"

namespace kova {
namespace {

using NameFunction = std::string (*)(int);

struct NameTable {
    const char* name;
    NameFunction function;
    const char* fallback;
    std::vector<std::pair<int, const char*>> words;  // every code with a word of its own
};

const NameTable kTables[] = {
    {"operationStateName",
     operationStateName,
     "Undefined",
     {{0, "StartUp"},
      {1, "DeviceOpened"},
      {2, "DeviceOpenFailed"},
      {3, "ManualOp"},
      {4, "AutomaticOp"},
      {5, "DeviceClosed"},
      {6, "Finished"}}},
    {"manualStatusName",
     manualStatusName,
     "Undefined",
     {{0, "Standby"},
      {2, "ReadyActive"},
      {3, "ReadyToAutomaticOp"},
      {6, "ServoOff"},
      {7, "Run"},
      {8, "Fault"}}},
    {"automaticStatusName",
     automaticStatusName,
     "Undefined",
     {{0, "Standby"},
      {3, "Run"},
      {5, "Fault"},
      {7, "ServoOnActive"},
      {8, "ServoOffActive"},
      {9, "CancelRoute"},
      {10, "CancelRouteServoOffActive"},
      {11, "Retry"}}},
    {"pathKindName",
     pathKindName,
     "None",
     {{1, "Line"}, {2, "Spin"}, {3, "Arc"}, {4, "Ohcurve"}, {5, "Waiting"}}},
    {"servoStateName",
     servoStateName,
     "none",
     {{1, "servoOff"}, {2, "servoOn"}, {3, "quickStop"}, {4, "fault"}}},
    {"dataloggerStateName", dataloggerStateName, "Stop", {{1, "Logging"}, {2, "Writing"}, {3, "Paused"}}},
    {"obstacleDetectName", obstacleDetectName, "No", {{1, "slow"}, {2, "stop"}, {3, "E-Stop"}}},
    {"velocityPhaseName",
     velocityPhaseName,
     "None",
     {{1, "Before"},
      {2, "Accel"},
      {3, "Constant"},
      {4, "Decel"},
      {5, "Creep"},
      {6, "Finish"},
      {7, "Slow"},
      {8, "SlowCreep"},
      {9, "Stop"},
      {10, "StopCreep"}}},
    {"nmtStateName", nmtStateName, "None", {{1, "BootUp"}, {2, "PreOp"}, {3, "Op"}, {4, "Stop"}}},
};

// Every code from -3 to 20 plus the integer limits: the listed word, or the fallback.
TEST(StatusNames, EveryTableGivesItsWordsAndItsFallbackElsewhere) {
    for (const NameTable& table : kTables) {
        std::vector<int> codes = {INT32_MIN, INT32_MAX, 1000};
        for (int code = -3; code <= 20; ++code) {
            codes.push_back(code);
        }
        for (int code : codes) {
            std::string expected = table.fallback;
            for (const auto& [listed, word] : table.words) {
                if (listed == code) {
                    expected = word;
                }
            }
            EXPECT_EQ(table.function(code), expected) << table.name << "(" << code << ")";
        }
    }
}

}  // namespace
}  // namespace kova
