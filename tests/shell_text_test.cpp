// The shell's pure parts from tables: the JSON lines and the script parser.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/ShellJson.h"
#include "shell/ShellScript.h"
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
        {"3009", "12/7/1",
         R"("index":3009,"values":["12","7","1"],"fields":{"currentPo":12,"currentSegment":7,"onRoute":1}})"},
        {"3009", "12/x/1",
         R"("index":3009,"values":["12","x","1"],"fields":{"currentPo":12},"outcome":"conversion failed"})"},
        {"3011", "1/2/3/4/5/6/1",
         R"("fields":{"routeGen.pathKind":1,"routeGen.poFrom":2,"routeGen.poTo":3,"routeGen.velocityMax":4,"routeGen.velocityConst":5,"routeGen.profile":6,"routeGen.endOfRoute":true}})"},
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

// Each kind of step read from its line, comments and blank lines skipped, the line numbers kept.
TEST(ShellScriptTest, StepsAreReadWithTheirLines) {
    const Script script = parseScript(
        "# commissioning\r\n\n  goal/15  \nwait routeGen.segment != 3:4>5 within 2.5\nwait inTcz == true\n"
        "wait frontDrive.actualRpm >= -1.5e2\nexpect set  3031\nsleep 0.25\n");
    ASSERT_FALSE(script.error) << script.error->message;
    ASSERT_EQ(script.steps.size(), 6u);
    EXPECT_EQ(script.steps[0].line, 3);
    EXPECT_EQ(script.steps[0].command, "goal/15");
    EXPECT_EQ(script.steps[1].value.text, "3:4>5");
    EXPECT_EQ(script.steps[1].op, CompareOp::NotEqual);
    EXPECT_DOUBLE_EQ(script.steps[1].withinSeconds, 2.5);
    EXPECT_DOUBLE_EQ(script.steps[2].withinSeconds, kDefaultWithinSeconds);
    EXPECT_TRUE(script.steps[2].value.flag);
    EXPECT_FLOAT_EQ(script.steps[3].value.real, -150.0f);
    EXPECT_EQ(script.steps[4].expected, "set  3031");
    EXPECT_DOUBLE_EQ(script.steps[5].seconds, 0.25);
}

// The first faulty line stops the reading: no steps, its number and why.
TEST(ShellScriptTest, FaultsNameTheirLine) {
    struct Case {
        std::string text;
        int line;
        std::string message;
        bool rejected;
    };
    const std::vector<Case> cases = {
        {"h\nwait currentPo = 3\n", 2, "'=' is no comparison", false},
        {"wait currentPo == 3 within\n", 1, "not a wait", false},
        {"wait currentPo == 3 within -1\n", 1, "within takes seconds", false},
        {"wait currentPo == 2147483648\n", 1, "is not a whole number", false},
        {"wait currentPo == 12x\n", 1, "is not a whole number", false},
        {"wait runDistance < abc\n", 1, "is not a number", false},
        {"wait onRoute == yes\n", 1, "is not a whole number", false},
        {"wait inTcz < 1\n", 1, "compare it with == or != only", false},
        {"wait alarmFault[2] == E\n", 1, "has no field 'alarmFault[2]'", false},
        {"expect\n", 1, "expect TEXT", false},
        {"sleep 1 2\n", 1, "sleep SECONDS", false},
        {"sleep 0\n", 1, "sleep SECONDS", false},
        {"SET/1/0/1\n", 1, "wrong commnad", true},
        {"fleet\n", 1, "belongs to the console's screen", true},
        {"h\n" + std::string(4097, 'a'), 2, "4097 bytes long", false},
        {"h\nexpect \xc3\n", 2, "not UTF-8", false},
        {"# nothing\n\n", 0, "has no steps", false},
    };
    for (const Case& c : cases) {
        const Script script = parseScript(c.text);
        ASSERT_TRUE(script.error) << c.text;
        EXPECT_TRUE(script.steps.empty());
        EXPECT_EQ(script.error->line, c.line) << c.text;
        EXPECT_NE(script.error->message.find(c.message), std::string::npos) << script.error->message;
        EXPECT_EQ(script.error->rejectedCommand, c.rejected) << c.text;
    }
    EXPECT_FALSE(parseScript("expect " + std::string(4089, 'a')).error) << "4096 bytes are a line";
}

TEST(ShellScriptTest, ComparisonsFollowTheFieldsKind) {
    auto number = [](std::int32_t n) {
        FieldValue v;
        v.number = n;
        return v;
    };
    auto text = [](const char* t) {
        FieldValue v;
        v.kind = FieldKind::Text;
        v.text = t;
        return v;
    };
    EXPECT_TRUE(compareField(number(-2), CompareOp::Less, number(1)));
    EXPECT_TRUE(compareField(number(15), CompareOp::GreaterEqual, number(15)));
    EXPECT_FALSE(compareField(number(15), CompareOp::NotEqual, number(15)));
    EXPECT_TRUE(compareField(text("10"), CompareOp::Less, text("9"))) << "text compares as text";
    EXPECT_TRUE(compareField(text("RX"), CompareOp::Equal, text("RX")));
}

}  // namespace
}  // namespace kova
