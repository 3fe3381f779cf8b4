// The status handler: the index table, value counts, partial stores, conversions, and agreement
// with a plain reference built from Poco::StringTokenizer and std::stoi/std::stof.
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "monitor/StatusHandler.h"
#include "monitor/StatusRecordText.h"
#include "monitor/StatusReference.h"
#include "protocol/StatusLayout.h"

namespace kova {
namespace {

struct HandlerCase {
    const char* name;
    std::string index;
    std::string values;
    StatusOutcome outcome;
    std::function<void(StatusRecord&)> change;  // what the message does to the record; null: nothing
};

// Runs each message on a fresh record and compares the whole record with the expected one.
void runCases(const std::vector<HandlerCase>& cases) {
    for (const HandlerCase& c : cases) {
        StatusRecord record;
        StatusRecord expected;
        if (c.change) {
            c.change(expected);
        }
        EXPECT_EQ(handleStatusMessage(c.index, c.values, record), c.outcome) << c.name;
        EXPECT_EQ(describeStatusRecord(record), describeStatusRecord(expected)) << c.name;
    }
}

TEST(StatusHandler, EveryIndexOfTheTableFillsItsFieldsInValueOrder) {
    runCases({
        {"111", "111", "4", StatusOutcome::Stored, [](auto& r) { r.operationState = 4; }},
        {"500", "500", "E01/E02", StatusOutcome::Stored,
         [](auto& r) {
             r.alarmFault = {"E01", "E02"};
         }},
        {"501", "501", "W1/W2", StatusOutcome::Stored,
         [](auto& r) {
             r.alarmWarning = {"W1", "W2"};
         }},
        {"1902", "1902", "2", StatusOutcome::Stored, [](auto& r) { r.dataloggerState = 2; }},
        {"3008", "3008", "1/2/3/4/5", StatusOutcome::Stored,
         [](auto& r) {
             r.connectedSegments = {1, 2, 3, 4, 5};
         }},
        {"3009", "3009", "12/7/1", StatusOutcome::Stored,
         [](auto& r) { r.currentPo = 12, r.currentSegment = 7, r.onRoute = 1; }},
        {"3010", "3010", "3/4/5/6", StatusOutcome::Stored,
         [](auto& r) { r.barPathKind = 3, r.barSegment = 4, r.barPoFrom = 5, r.barPoTo = 6; }},
        {"3011", "3011", "1/2/3/4/5/6/1", StatusOutcome::Stored,
         [](auto& r) {
             r.routeGen.pathKind = 1, r.routeGen.poFrom = 2, r.routeGen.poTo = 3, r.routeGen.velocityMax = 4;
             r.routeGen.velocityConst = 5, r.routeGen.profile = 6, r.routeGen.endOfRoute = true;
         }},
        {"3012", "3012", "8/1000", StatusOutcome::Stored,
         [](auto& r) { r.goalPo = 8, r.goalBarcode = 1000; }},
        {"3021", "3021", "S-12", StatusOutcome::Stored, [](auto& r) { r.routeGen.segment = "S-12"; }},
        {"3037", "3037", "10/20/30", StatusOutcome::Stored,
         [](auto& r) { r.genDistanceTotal = 10, r.genDistanceRemaining = 20, r.genDistanceEncoder = 30; }},
        {"3038", "3038", "40/50", StatusOutcome::Stored,
         [](auto& r) { r.conDistanceTotal = 40, r.conDistanceEncoder = 50; }},
        {"3040", "3040", "2", StatusOutcome::Stored, [](auto& r) { r.obstacleFs = 2; }},
        {"3050", "3050", "left", StatusOutcome::Stored, [](auto& r) { r.steerTarget = "left"; }},
        {"3060", "3060", "right", StatusOutcome::Stored, [](auto& r) { r.steerActual = "right"; }},
        {"3065", "3065", "1", StatusOutcome::Stored, [](auto& r) { r.inTcz = true; }},
        {"4005", "4005", "10000/12000/2500000", StatusOutcome::Stored,
         [](auto& r) { r.controlPeriodActual = 10000, r.controlPeriodMax = 12000, r.runTime = 2500000; }},
        {"4021", "4021", "7", StatusOutcome::Stored, [](auto& r) { r.operationStatus = 7; }},
        {"4031", "4031", "1/2/3", StatusOutcome::Stored,
         [](auto& r) {
             r.values4031 = {1, 2, 3};
         }},
        {"4032", "4032", "4/5/6", StatusOutcome::Stored,
         [](auto& r) {
             r.values4032 = {4, 5, 6};
         }},
        {"4034", "4034", "14000", StatusOutcome::Stored, [](auto& r) { r.actualVelocity = 14000; }},
        {"4035", "4035", "15000", StatusOutcome::Stored, [](auto& r) { r.targetVelocity = 15000; }},
        {"4061", "4061", "12.5", StatusOutcome::Stored, [](auto& r) { r.runDistance = 12.5f; }},
        {"5001", "5001", "3", StatusOutcome::Stored, [](auto& r) { r.obstacleDetect = 3; }},
        {"5002", "5002", "1", StatusOutcome::Stored, [](auto& r) { r.photoSensor = 1; }},
        {"6070", "6070", "1/2/3/4", StatusOutcome::Stored,
         [](auto& r) {
             r.values6070 = {1, 2, 3, 4};
         }},
        {"7022", "7022", "4660/22136", StatusOutcome::Stored,
         [](auto& r) { r.frontDrive.controlWord = 4660, r.rearDrive.controlWord = 22136; }},
        {"7024", "7024", "-300", StatusOutcome::Stored, [](auto& r) { r.frontDrive.position = -300; }},
        {"7027", "7027", "1.25e1", StatusOutcome::Stored, [](auto& r) { r.frontDrive.targetRpm = 12.5f; }},
        {"7028", "7028", "10.5/-11.25", StatusOutcome::Stored,
         [](auto& r) { r.frontDrive.actualRpm = 10.5f, r.rearDrive.actualRpm = -11.25f; }},
        {"7030", "7030", "55/-66", StatusOutcome::Stored,
         [](auto& r) { r.frontDrive.actualTorque = 55, r.rearDrive.actualTorque = -66; }},
        {"7031", "7031", "2/3", StatusOutcome::Stored,
         [](auto& r) { r.frontDrive.servoState = 2, r.rearDrive.servoState = 3; }},
        {"7034", "7034", "1", StatusOutcome::Stored, [](auto& r) { r.brakeState = 1; }},
        {"7035", "7035", "1/2/3/4/5/6", StatusOutcome::Stored,
         [](auto& r) {
             r.frontDrive.statusCodes = {1, 2, 3}, r.rearDrive.statusCodes = {4, 5, 6};
         }},
        {"7120", "7120", "1500", StatusOutcome::Stored, [](auto& r) { r.cameraPosition = 1500; }},
        {"7122", "7122", "-0.5", StatusOutcome::Stored, [](auto& r) { r.cameraVelocity = -0.5f; }},
        {"7123", "7123", "900/1100", StatusOutcome::Stored,
         [](auto& r) { r.cameraPeriod = 900, r.cameraPeriodMax = 1100; }},
        {"7251", "7251", "1/2", StatusOutcome::Stored,
         [](auto& r) {
             r.values7251 = {1, 2};
         }},
        {"7252", "7252", "3/4", StatusOutcome::Stored,
         [](auto& r) {
             r.values7252 = {3, 4};
         }},
        {"7253", "7253", "5/6", StatusOutcome::Stored,
         [](auto& r) {
             r.values7253 = {5, 6};
         }},
    });
}

TEST(StatusHandler, DriveObjectsWithSeveralFormsFillThatManyFields) {
    runCases({
        {"7023 six", "7023", "1/2/3/4/5/6", StatusOutcome::Stored,
         [](auto& r) {
             r.frontDrive.statusWord = 1, r.rearDrive.statusWord = 2, r.frontDrive.nmtState = 3;
             r.rearDrive.nmtState = 4, r.frontDrive.servoState = 5, r.rearDrive.servoState = 6;
         }},
        {"7023 four", "7023", "1/2/3/4", StatusOutcome::Stored,
         [](auto& r) {
             r.frontDrive.statusWord = 1, r.rearDrive.statusWord = 2, r.frontDrive.nmtState = 3;
             r.rearDrive.nmtState = 4;
         }},
        {"7023 two", "7023", "1/2", StatusOutcome::Stored,
         [](auto& r) { r.frontDrive.statusWord = 1, r.rearDrive.statusWord = 2; }},
        {"7023 one", "7023", "1", StatusOutcome::Ignored, nullptr},
        {"7023 three", "7023", "1/2/3", StatusOutcome::Ignored, nullptr},
        {"7023 five", "7023", "1/2/3/4/5", StatusOutcome::Ignored, nullptr},
        {"7023 seven", "7023", "1/2/3/4/5/6/7", StatusOutcome::Ignored, nullptr},
        // Node guard is the third and fourth value, control word the fifth and sixth.
        {"7033 six", "7033", "10/20/30/40/50/60", StatusOutcome::Stored,
         [](auto& r) {
             r.pdoPeriod = 10, r.pdoPeriodMax = 20, r.nodeguardPeriod = 30, r.nodeguardPeriodMax = 40;
             r.controlwordPeriod = 50, r.controlwordPeriodMax = 60;
         }},
        {"7033 two", "7033", "10/20", StatusOutcome::Stored,
         [](auto& r) { r.pdoPeriod = 10, r.pdoPeriodMax = 20; }},
        {"7033 four", "7033", "10/20/30/40", StatusOutcome::Ignored, nullptr},
        // The second value of 7029 must be there, but is never read.
        {"7029 150/xyz", "7029", "150/xyz", StatusOutcome::Stored,
         [](auto& r) { r.frontDrive.demandTorque = 150; }},
        {"7029 alone", "7029", "150", StatusOutcome::Ignored, nullptr},
        {"7029 three", "7029", "150/1/2", StatusOutcome::Ignored, nullptr},
        {"7029 bad first", "7029", "x/1", StatusOutcome::ConversionFailed, nullptr},
    });
}

TEST(StatusHandler, WrongCountsUnknownIndicesAndBadIndexTextsLeaveTheRecordAlone) {
    runCases({
        {"empty values", "111", "", StatusOutcome::Discarded, nullptr},
        {"two values for one", "111", "4/5", StatusOutcome::Ignored, nullptr},
        {"trailing separator counts", "111", "4/", StatusOutcome::Ignored, nullptr},
        {"unknown index", "9999", "1", StatusOutcome::Ignored, nullptr},
        {"negative index", "-111", "1", StatusOutcome::Ignored, nullptr},
        {"index abc", "abc", "3", StatusOutcome::Discarded, nullptr},
        {"empty index", "", "3", StatusOutcome::Discarded, nullptr},
        {"index out of range", "4294967407", "3", StatusOutcome::Discarded, nullptr},
        {"index 111x", "111x", "3", StatusOutcome::Stored, [](auto& r) { r.operationState = 3; }},
        {"index with blanks and sign", " +111 ", "3", StatusOutcome::Stored,
         [](auto& r) { r.operationState = 3; }},
        {"index 0111", "0111", "3", StatusOutcome::Stored, [](auto& r) { r.operationState = 3; }},
        {"texts need their count too", "500", "E01", StatusOutcome::Ignored, nullptr},
        {"3011 with six", "3011", "1/2/3/4/5/6", StatusOutcome::Ignored, nullptr},
    });
}

TEST(StatusHandler, AFailedConversionKeepsTheValuesBeforeIt) {
    runCases({
        {"12/x/1", "3009", "12/x/1", StatusOutcome::ConversionFailed, [](auto& r) { r.currentPo = 12; }},
        {"12//1", "3009", "12//1", StatusOutcome::ConversionFailed, [](auto& r) { r.currentPo = 12; }},
        {"first fails", "3009", "x/7/1", StatusOutcome::ConversionFailed, nullptr},
        {"int overflow", "3009", "12/2147483648/1", StatusOutcome::ConversionFailed,
         [](auto& r) { r.currentPo = 12; }},
        {"int underflow", "3012", "5/-2147483649", StatusOutcome::ConversionFailed,
         [](auto& r) { r.goalPo = 5; }},
        {"limits", "3012", "-2147483648/2147483647", StatusOutcome::Stored,
         [](auto& r) { r.goalPo = INT32_MIN, r.goalBarcode = INT32_MAX; }},
        {"12abc and 0x1F", "3009", "12abc/0x1F/1", StatusOutcome::Stored,
         [](auto& r) { r.currentPo = 12, r.currentSegment = 0, r.onRoute = 1; }},
        {"float overflow", "7028", "1.5/1e39", StatusOutcome::ConversionFailed,
         [](auto& r) { r.frontDrive.actualRpm = 1.5f; }},
        {"float underflow", "7028", "1.5/1e-50", StatusOutcome::ConversionFailed,
         [](auto& r) { r.frontDrive.actualRpm = 1.5f; }},
        {"float words", "7028", "inf/nope", StatusOutcome::ConversionFailed,
         [](auto& r) { r.frontDrive.actualRpm = HUGE_VALF; }},
        {"3011 end-of-route fails last", "3011", "1/2/3/4/5/6/y", StatusOutcome::ConversionFailed,
         [](auto& r) {
             r.routeGen.pathKind = 1, r.routeGen.poFrom = 2, r.routeGen.poTo = 3, r.routeGen.velocityMax = 4;
             r.routeGen.velocityConst = 5, r.routeGen.profile = 6;
         }},
        {"3011 end-of-route 2", "3011", "1/2/3/4/5/6/2", StatusOutcome::Stored,
         [](auto& r) {
             r.routeGen.pathKind = 1, r.routeGen.poFrom = 2, r.routeGen.poTo = 3, r.routeGen.velocityMax = 4;
             r.routeGen.velocityConst = 5, r.routeGen.profile = 6;
         }},
        {"3011 end-of-route 1abc", "3011", "0/0/0/0/0/0/1abc", StatusOutcome::Stored,
         [](auto& r) {
             r.routeGen.pathKind = 0, r.routeGen.poFrom = 0, r.routeGen.poTo = 0;
             r.routeGen.endOfRoute = true;
         }},
    });
}

TEST(StatusHandler, ValuesAreTrimmedAndTextsKeptWhole) {
    const std::string longText(10 * 1024, 'A');
    const std::string binary("\x01\x7f\xff\x00z", 5);
    runCases({
        {"blanks around ints", "3009", " 12 /\t7\t/ 1\r\n", StatusOutcome::Stored,
         [](auto& r) { r.currentPo = 12, r.currentSegment = 7, r.onRoute = 1; }},
        {"blanks around texts", "500", "  E01 / E 02 ", StatusOutcome::Stored,
         [](auto& r) {
             r.alarmFault = {"E01", "E 02"};
         }},
        {"empty texts", "501", "/", StatusOutcome::Stored,
         [](auto& r) {
             r.alarmWarning = {"", ""};
         }},
        {"10 KB text", "3050", longText, StatusOutcome::Stored, [&](auto& r) { r.steerTarget = longText; }},
        {"binary text", "3060", binary, StatusOutcome::Stored, [&](auto& r) { r.steerActual = binary; }},
        {"blank only", "3021", "   ", StatusOutcome::Stored, [](auto& r) { r.routeGen.segment = ""; }},
        {"10 KB int", "111", std::string(10 * 1024, '7'), StatusOutcome::ConversionFailed, nullptr},
        {"10 KB of separators", "111", std::string(10 * 1024, '/'), StatusOutcome::Ignored, nullptr},
    });
}

TEST(StatusHandler, InTczIsSetOnlyByExactlyOne) {
    const struct {
        const char* values;
        bool inTcz;
    } cases[] = {{"1", true}, {" 1 ", true}, {"01", false}, {"1.0", false}, {"2", false},
                 {"", false}, {"x", false},  {"1x", false}, {"\t1\n", true}};
    for (const auto& c : cases) {
        StatusRecord record;
        record.inTcz = !c.inTcz;
        const StatusOutcome outcome = handleStatusMessage("3065", c.values, record);
        if (*c.values == '\0') {
            EXPECT_EQ(outcome, StatusOutcome::Discarded);
            continue;
        }
        EXPECT_EQ(outcome, StatusOutcome::Stored) << c.values;
        EXPECT_EQ(record.inTcz, c.inTcz) << "'" << c.values << "'";
    }
}

TEST(StatusHandler, SharedFieldsTakeTheLastMessage) {
    StatusRecord record;
    handleStatusMessage("7023", "1/2/3/4/5/6", record);
    handleStatusMessage("7031", "7/8", record);
    EXPECT_EQ(record.frontDrive.servoState, 7);
    EXPECT_EQ(record.rearDrive.servoState, 8);
    handleStatusMessage("7023", "9/10/11/12/1/2", record);
    EXPECT_EQ(record.frontDrive.servoState, 1);
    EXPECT_EQ(record.rearDrive.servoState, 2);
    // A long text shrinking back keeps no tail of the old one.
    handleStatusMessage("500", std::string(300, 'x') + "/b", record);
    handleStatusMessage("500", "a/b", record);
    EXPECT_EQ(record.alarmFault[0], "a");
}

// Messages built from the protocol's indices and a mix of good, odd and bad values: the fast handler
// and the plain one must leave identical records and report the same outcome.
TEST(StatusHandler, AgreesWithThePlainReferenceOnRandomMessages) {
    std::vector<std::string> indices = {"9999", "111x", "abc", " 3009", ""};
    for (const protocol::ObjectLayout& layout : protocol::kStatusLayouts) {
        indices.push_back(std::to_string(layout.index()));
    }
    const char* pieces[] = {"1",          "0",           "-1",     "12abc", "0x1F",       "2147483647",
                            "2147483648", "-2147483648", "12.5",   "1e39",  "1e-50",      "1.25e1",
                            "inf",        "nan",         " 7 ",    "",      "x",          "01",
                            "1.0",        "+3",          "\t-4\n", "0.1",   "16777217",   "9.5e-3",
                            "E-01",       "\x01",        "\xff",   "-",     "99999999999"};
    std::mt19937 random(4242);
    StatusRecord fast;
    StatusRecord plain;
    for (int i = 0; i < 50000; ++i) {
        const std::string index = indices[random() % indices.size()];
        std::string values;
        const int count = static_cast<int>(random() % 8);
        for (int k = 0; k < count; ++k) {
            values += (k > 0 ? "/" : "") + std::string(pieces[random() % std::size(pieces)]);
        }
        const StatusOutcome fastOutcome = handleStatusMessage(index, values, fast);
        const StatusOutcome plainOutcome = referenceHandleStatusMessage(index, values, plain);
        ASSERT_EQ(fastOutcome, plainOutcome) << index << " / " << values;
        ASSERT_EQ(describeStatusRecord(fast), describeStatusRecord(plain)) << index << " / " << values;
    }
}

}  // namespace
}  // namespace kova
