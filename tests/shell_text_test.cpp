// The shell's pure parts from tables: the JSON lines and the script parser.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/ShellJson.h"
#include "shell/StatusFields.h"

namespace kova {
namespace {

constexpr std::int64_t kNs = 1796887800123456789;  // 2026-12-10T07:30:00.123Z

// A status message as JSON: the fields named as the record stores them, in value order, with what
// the monitor's conversions make of each value (a partial store says so).
TEST(ShellJsonTest, StatusLinesNameTheFieldsTheRecordStores) {
    struct Case {
        const char* index;
        const char* values;
        const char* json;
    };
    const std::vector<Case> cases = {
        {"3009", "12/7/1", R"("index":3009,"values":["12","7","1"],"fields":{"currentPo":12,"currentSegment":7,"onRoute":1}})"},
        {"3009", "12/x/1", R"("index":3009,"values":["12","x","1"],"fields":{"currentPo":12},"outcome":"conversion failed"})"},
        {"3011", "1/2/3/4/5/6/1", R"("fields":{"routeGen.pathKind":1,"routeGen.poFrom":2,"routeGen.poTo":3,"routeGen.velocityMax":4,"routeGen.velocityConst":5,"routeGen.profile":6,"routeGen.endOfRoute":true}})"},
        {"7027", " 1.25e1 ", R"("values":[" 1.25e1 "],"fields":{"frontDrive.targetRpm":12.5}})"},
        {"7027", "nan", R"("fields":{"frontDrive.targetRpm":null}})"},
        {"500", "E\"1/\x01\xff", R"("fields":{"alarmFault[0]":"E\"1","alarmFault[1]":"\u0001\ufffd"}})"},
        {"3065", "1", R"("fields":{"inTcz":true}})"},
        {"111", "4/5", R"("fields":{},"outcome":"ignored"})"},
        {"abc", "1", R"("index":"abc","values":["1"],"fields":{},"outcome":"discarded"})"},
    };
    for (const Case& c : cases) {
        const std::string line = statusJson(kNs, "v1", c.index, c.values, fieldsOfMessage(c.index, c.values));
        EXPECT_EQ(line.rfind(R"({"time":"2026-12-10T07:30:00.123Z","vehicle":"v1",)", 0), 0u) << line;
        EXPECT_NE(line.find(c.json), std::string::npos) << c.index << " " << c.values << "\n" << line;
    }
}

TEST(ShellJsonTest, ReplyAndStepLinesCarryTheirFields) {
    EXPECT_EQ(replyJson({kNs, "v1", "get/3009/0", "get 3009/0 = \"1\"", 1.26, "ok", 0}),
              R"({"time":"2026-12-10T07:30:00.123Z","vehicle":"v1","command":"get/3009/0",)"
              R"("reply":"get 3009/0 = \"1\"","ms":1.3,"outcome":"ok"})");
    EXPECT_EQ(stepJson({kNs, "v1", 4, "wait currentPo == 15", "", 2.5, "failed", "timed out"}),
              R"({"time":"2026-12-10T07:30:00.123Z","vehicle":"v1","line":4,"step":"wait currentPo == 15",)"
              R"("reply":"","seconds":2.500,"outcome":"failed","why":"timed out"})");
}

}  // namespace
}  // namespace kova
