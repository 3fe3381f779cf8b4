// The monitor body as text: rows, columns, formats and scaling of every item.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "base/Version.h"
#include "monitor/MonitorWindow.h"
#include "monitor/StatusRows.h"

namespace kova {
namespace {

// The item at (row, col), or "<none>".
std::string itemAt(const std::vector<StatusItem>& items, int row, int col) {
    for (const StatusItem& item : items) {
        if (item.row == row && item.col == col) {
            return item.text;
        }
    }
    return "<none>";
}

TEST(StatusRows, InitialRecordGivesTheFirstScreen) {
    const auto items = formatStatusItems(StatusRecord{});
    const struct {
        int row;
        int col;
        const char* text;
    } expected[] = {
        {0, 0, ":State(StartUp)"},
        {0, 25, ":Status()"},
        {0, 60, ":Control period(T:<4004>|A:0.00|Amax:0.00)ms"},
        {1, 0, ":Datalogger(Stop)"},
        {1, 25, "run(0.000s|0.000m)"},
        {1, 60, ":Alarm warning(        |        ) fault(        |        )"},
        {2, 50, "Vel: (T:0.0000|A:0.0000|E:0.0000)[m/s]"},
        {5, 0,
         ":Navigate routemap<3041> steer(T:|A:|timeout<3051>ms) obstacle(use<4026>|fs:-1|detect:No|photo:N)"},
        {6, 1, "R-Cur: po( -1) seg( -1) on_route(N) TCZ(N)"},
        {6, 50, "R-Bar: None seg( -1) po( -1, -1)"},
        {7, 1,
         "R-Gen: goal(po:  0|Barcode:         0|Berr:         0) None V(max:0.000|const:0.000)m/s "
         "profile(None) EoR(N) "},
        {8, 1, "      po(-1,-1) seg(-1)"},
        {9, 1, "R-Con: seg(-1 < -1 < -1 < -1 < -1)"},
        {9, 40, "R-Dis: GEN(tot:0.0|rem:0.0|enc:0.0)mm CON(tot:0.0|enc:0.0)mm"},
        {10, 0, ":TractionServo state(F:none, R:none) nmt(F:None, R:None) brake(loc) pos(F:0)"},
        {11, 1, "Period: pdo( 0.00|max: 0.00)ms controlword( 0.00|max: 0.00)ms nodeguard( 0.00|max: 0.00)"},
        {12, 1, "Front: cw(       0) sw(       0)"},
        {12, 35, "vel(T:  0.0|A:  0.0)rpm"},
        {12, 70, "torq(D: 0.0|A: 0.0)%"},
        {12, 96, "status(   0|   0|   0)"},
        {13, 1, "Rear:  cw(       0) sw(       0)"},
        {13, 35, "vel(T:  0.0|A:  0.0)rpm"},
        {13, 70, "torq(A: 0.0)%"},
        {13, 96, "status(   0|   0|   0)"},
        {14, 0, ":BarcodeCamera"},
        {14, 30, "pos:          0 vel: 0.0m/s period(0.00|max:0.00)ms"},
    };
    ASSERT_EQ(items.size(), std::size(expected));
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].row, expected[i].row) << "item " << i;
        EXPECT_EQ(items[i].col, expected[i].col) << "item " << i;
        EXPECT_EQ(items[i].text, expected[i].text) << "item " << i;
    }
}

// One record change and the text expected at one item.
struct RowCase {
    const char* name;
    void (*change)(StatusRecord&);
    int row;
    int col;
    const char* text;
};

TEST(StatusRows, ValuesAreScaledAndFormattedPerItem) {
    const RowCase cases[] = {
        {"automatic state", [](StatusRecord& r) { r.operationState = 4; }, 0, 0, ":State(AutomaticOp)"},
        {"state 7", [](StatusRecord& r) { r.operationState = 7; }, 0, 0, ":State(Undefined)"},
        {"manual status", [](StatusRecord& r) { r.operationState = 3, r.operationStatus = 3; }, 0, 25,
         ":Status(ReadyToAutomaticOp)"},
        {"manual 1", [](StatusRecord& r) { r.operationState = 3, r.operationStatus = 1; }, 0, 25,
         ":Status(Undefined)"},
        {"automatic status", [](StatusRecord& r) { r.operationState = 4, r.operationStatus = 10; }, 0, 25,
         ":Status(CancelRouteServoOffActive)"},
        {"no status in state 5", [](StatusRecord& r) { r.operationState = 5, r.operationStatus = 3; }, 0, 25,
         ":Status()"},
        {"control period ms",
         [](StatusRecord& r) { r.controlPeriodActual = 10000, r.controlPeriodMax = 12345; }, 0, 60,
         ":Control period(T:<4004>|A:10.00|Amax:12.35)ms"},
        {"run time s", [](StatusRecord& r) { r.runTime = 2500000, r.runDistance = 1.25f; }, 1, 25,
         "run(2.500s|1.250m)"},
        {"alarm widths",
         [](StatusRecord& r) {
             r.alarmWarning = {"W1", "12345678"}, r.alarmFault = {"E123456789", ""};
         },
         1, 60, ":Alarm warning(      W1|12345678) fault(E123456789|        )"},
        {"velocities", [](StatusRecord& r) { r.targetVelocity = 15000, r.actualVelocity = 14000; }, 2, 50,
         "Vel: (T:1.5000|A:1.4000|E:0.1000)[m/s]"},
        {"velocity error wraps in 32 bits",
         [](StatusRecord& r) { r.targetVelocity = INT_MAX, r.actualVelocity = -1; }, 2, 50,
         "Vel: (T:214748.3594|A:-0.0001|E:-214748.3594)[m/s]"},
        {"navigate",
         [](StatusRecord& r) {
             r.steerTarget = "L", r.steerActual = "R", r.obstacleFs = 2, r.obstacleDetect = 3,
             r.photoSensor = 1;
         },
         5, 0,
         ":Navigate routemap<3041> steer(T:L|A:R|timeout<3051>ms) "
         "obstacle(use<4026>|fs:2|detect:E-Stop|photo:Y)"},
        {"photo 2 is N", [](StatusRecord& r) { r.photoSensor = 2; }, 5, 0,
         ":Navigate routemap<3041> steer(T:|A:|timeout<3051>ms) obstacle(use<4026>|fs:-1|detect:No|photo:N)"},
        {"current",
         [](StatusRecord& r) { r.currentPo = 12, r.currentSegment = 7, r.onRoute = 1, r.inTcz = true; }, 6, 1,
         "R-Cur: po( 12) seg(  7) on_route(Y) TCZ(Y)"},
        {"on route 2 is N", [](StatusRecord& r) { r.onRoute = 2; }, 6, 1,
         "R-Cur: po( -1) seg( -1) on_route(N) TCZ(N)"},
        {"bar",
         [](StatusRecord& r) { r.barPathKind = 4, r.barSegment = 12, r.barPoFrom = 3, r.barPoTo = 1234; }, 6,
         50, "R-Bar: Ohcurve seg( 12) po(  3,1234)"},
        {"route gen",
         [](StatusRecord& r) {
             r.goalPo = 8, r.goalBarcode = 1000, r.cameraPosition = 1500, r.routeGen.pathKind = 1;
             r.routeGen.velocityMax = 2500, r.routeGen.velocityConst = 1200, r.routeGen.profile = 3;
             r.routeGen.endOfRoute = true;
         },
         7, 1,
         "R-Gen: goal(po:  8|Barcode:      1000|Berr:       500) Line V(max:2.500|const:1.200)m/s "
         "profile(Constant) "
         "EoR(Y) "},
        {"Berr is absolute", [](StatusRecord& r) { r.goalBarcode = 1500, r.cameraPosition = 1000; }, 7, 1,
         "R-Gen: goal(po:  0|Barcode:      1500|Berr:       500) None V(max:0.000|const:0.000)m/s "
         "profile(None) "
         "EoR(N) "},
        {"Berr of INT_MIN", [](StatusRecord& r) { r.goalBarcode = INT_MIN, r.cameraPosition = 0; }, 7, 1,
         "R-Gen: goal(po:  0|Barcode:-2147483648|Berr:2147483648) None V(max:0.000|const:0.000)m/s "
         "profile(None) "
         "EoR(N) "},
        {"Berr wraps in 32 bits", [](StatusRecord& r) { r.goalBarcode = INT_MAX, r.cameraPosition = -1; }, 7,
         1,
         "R-Gen: goal(po:  0|Barcode:2147483647|Berr:2147483648) None V(max:0.000|const:0.000)m/s "
         "profile(None) "
         "EoR(N) "},
        {"route gen below",
         [](StatusRecord& r) { r.routeGen.poFrom = 3, r.routeGen.poTo = 4, r.routeGen.segment = "S9"; }, 8, 1,
         "      po(3,4) seg(S9)"},
        {"distances mm",
         [](StatusRecord& r) {
             r.genDistanceTotal = 12345, r.genDistanceRemaining = -5, r.genDistanceEncoder = 1,
             r.conDistanceTotal = 10, r.conDistanceEncoder = 99999;
         },
         9, 40, "R-Dis: GEN(tot:1234.5|rem:-0.5|enc:0.1)mm CON(tot:1.0|enc:9999.9)mm"},
        {"servo",
         [](StatusRecord& r) {
             r.frontDrive.servoState = 2, r.rearDrive.servoState = 4, r.frontDrive.nmtState = 3,
             r.rearDrive.nmtState = 9, r.brakeState = 1, r.frontDrive.position = -42;
         },
         10, 0, ":TractionServo state(F:servoOn, R:fault) nmt(F:Op, R:None) brake(rel) pos(F:-42)"},
        {"brake 2 is locked", [](StatusRecord& r) { r.brakeState = 2; }, 10, 0,
         ":TractionServo state(F:none, R:none) nmt(F:None, R:None) brake(loc) pos(F:0)"},
        {"periods, control word before node guard",
         [](StatusRecord& r) {
             r.pdoPeriod = 1000, r.pdoPeriodMax = 2000, r.nodeguardPeriod = 30000,
             r.nodeguardPeriodMax = 40000, r.controlwordPeriod = 5000, r.controlwordPeriodMax = 6000;
         },
         11, 1, "Period: pdo( 1.00|max: 2.00)ms controlword( 5.00|max: 6.00)ms nodeguard( 30.00|max: 40.00)"},
        {"front hex", [](StatusRecord& r) { r.frontDrive.controlWord = 4660, r.frontDrive.statusWord = -1; },
         12, 1, "Front: cw(    1234) sw(ffffffff)"},
        {"front rpm",
         [](StatusRecord& r) { r.frontDrive.targetRpm = 1500.25f, r.frontDrive.actualRpm = -3.5f; }, 12, 35,
         "vel(T: 1500.2|A: -3.5)rpm"},
        {"front torque %",
         [](StatusRecord& r) { r.frontDrive.demandTorque = 505, r.frontDrive.actualTorque = -1000; }, 12, 70,
         "torq(D: 50.5|A: -100.0)%"},
        {"front codes",
         [](StatusRecord& r) {
             r.frontDrive.statusCodes = {0xab, 0x12345, -2};
         },
         12, 96, "status(  ab|12345|fffffffe)"},
        {"rear hex",
         [](StatusRecord& r) { r.rearDrive.controlWord = 15, r.rearDrive.statusWord = 0x7fffffff; }, 13, 1,
         "Rear:  cw(       f) sw(7fffffff)"},
        {"rear row shows the front target",
         [](StatusRecord& r) {
             r.frontDrive.targetRpm = 12.5f, r.rearDrive.targetRpm = 99.0f, r.rearDrive.actualRpm = 11.0f;
         },
         13, 35, "vel(T: 12.5|A: 11.0)rpm"},
        {"rear torque",
         [](StatusRecord& r) { r.rearDrive.actualTorque = 123, r.rearDrive.demandTorque = 999; }, 13, 70,
         "torq(A: 12.3)%"},
        {"camera",
         [](StatusRecord& r) {
             r.cameraPosition = -1234567, r.cameraVelocity = 1.25f, r.cameraPeriod = 1000,
             r.cameraPeriodMax = 2500;
         },
         14, 30, "pos:   -1234567 vel: 1.2m/s period(1.00|max:2.50)ms"},
    };
    for (const RowCase& c : cases) {
        StatusRecord record;
        c.change(record);
        EXPECT_EQ(itemAt(formatStatusItems(record), c.row, c.col), c.text) << c.name;
    }
}

TEST(StatusRows, TextsOfAnyLengthGoInWhole) {
    StatusRecord record;
    record.alarmFault[0] = std::string(10000, 'F');
    record.steerTarget = std::string(5000, 'S');
    record.routeGen.segment = std::string(300, 'G');
    const auto items = formatStatusItems(record);
    EXPECT_EQ(itemAt(items, 1, 60),
              ":Alarm warning(        |        ) fault(" + std::string(10000, 'F') + "|        )");
    EXPECT_EQ(itemAt(items, 5, 0).substr(0, 32 + 5000 + 1),
              ":Navigate routemap<3041> steer(T:" + std::string(5000, 'S'));
    EXPECT_EQ(itemAt(items, 8, 1), "      po(-1,-1) seg(" + std::string(300, 'G') + ")");
}

// A controller's text can hold anything: nothing in it may move the cursor or break the row it is in.
TEST(StatusRows, ControllerTextsNeverCarryControlBytesToTheScreen) {
    StatusRecord record;
    record.alarmWarning[0] = "W\n1";
    record.steerTarget = "L\rL";
    record.routeGen.segment = "9\x1b[2J\xff";
    const auto items = formatStatusItems(record);
    EXPECT_EQ(itemAt(items, 1, 60).substr(0, 24), ":Alarm warning(    W^J1|");
    EXPECT_EQ(itemAt(items, 5, 0).substr(0, 38), ":Navigate routemap<3041> steer(T:L^ML|");
    EXPECT_EQ(itemAt(items, 8, 1), "      po(-1,-1) seg(9^[[2J\\xff)");
}

// Name and host come from conf.json: shown as data, cut by display columns, never mid-escape.
TEST(StatusRows, MonitorTitleShowsNameAndHostAsData) {
    const ControllerAddress controller{"ohv\n01\x1b[2J", "host\xff", 5565};
    const std::string head =
        std::string("monitor:   system_name<106>  -= kovaConsoleOHV v") + kConsoleVersion;
    EXPECT_EQ(monitorTitle(controller, 500),
              head + " (ohv^J01^[[2J:host\\xff) =-    version<101> release<102>");
    const int upToName = static_cast<int>(head.size()) + 5;  // " (ohv"
    EXPECT_EQ(monitorTitle(controller, upToName + 1), head + " (ohv");
    EXPECT_EQ(monitorTitle(controller, upToName + 2), head + " (ohv^J");
}

}  // namespace
}  // namespace kova
