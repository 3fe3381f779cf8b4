// The fleet table as text: what a row says of a vehicle, which rows stand out, the title's counts,
// and the selection that always stays on screen.
#include <chrono>
#include <clocale>
#include <functional>

#include <gtest/gtest.h>

#include "base/TextCells.h"

#include "fleet/FleetTable.h"

namespace kova {
namespace {

FleetVehicle vehicle(const std::string& name, LinkState::Kind kind) {
    FleetVehicle v;
    v.address = ControllerAddress{name, "10.0.0.7", 6000};
    v.link.kind = kind;
    v.link.silentSeconds = kind == LinkState::Kind::Silent ? 12 : 0;
    return v;
}

TEST(FleetTable, ARowSaysWhereTheVehicleIsAndTheOnesInTroubleStandOut) {
    FleetVehicle live = vehicle("ohv001", LinkState::Kind::Live);
    live.record.operationState = 4;
    live.record.operationStatus = 3;
    live.record.currentPo = 12;
    live.record.goalPo = 15;
    live.record.actualVelocity = 8000;
    const FleetRow row = fleetRow(live);
    EXPECT_EQ(row.look, RowLook::Normal);
    EXPECT_EQ(row.text.substr(0, 74),
              "ohv001           10.0.0.7:6000         live         -         AutomaticOp ");
    EXPECT_NE(row.text.find("Run                         12   15    0.800  -"), std::string::npos)
        << row.text;

    FleetVehicle alarmed = live;
    alarmed.record.alarmFault[0] = "E\n12";  // a controller's text is shown safely
    EXPECT_EQ(fleetRow(alarmed).look, RowLook::Alarm);
    EXPECT_NE(fleetRow(alarmed).text.find("E^J12|"), std::string::npos);

    EXPECT_EQ(fleetRow(vehicle("ohv002", LinkState::Kind::Silent)).look, RowLook::Silent);
    EXPECT_NE(fleetRow(vehicle("ohv002", LinkState::Kind::Silent)).text.find("silent 12s"),
              std::string::npos);
    const FleetRow waiting = fleetRow(vehicle("ohv003", LinkState::Kind::Waiting));
    EXPECT_EQ(waiting.look, RowLook::Waiting);
    EXPECT_NE(waiting.text.find("waiting      -         -            -  "), std::string::npos)
        << waiting.text;
    EXPECT_NE(waiting.text.find("   -    -        -  -                 -"), std::string::npos)
        << waiting.text;

    FleetVehicle journal = live;  // unacknowledged alarms in the journal stand out too
    journal.unackedAlarms = 3;
    journal.alarmFlood = true;
    EXPECT_EQ(fleetRow(journal).look, RowLook::Alarm);
    EXPECT_NE(fleetRow(journal).text.find("live         3 FLOOD   AutomaticOp"), std::string::npos);

    const FleetCounts counts = fleetCounts({live, alarmed, vehicle("ohv002", LinkState::Kind::Silent),
                                            vehicle("ohv003", LinkState::Kind::Waiting)});
    EXPECT_EQ(fleetTitle(counts, FleetOrder::Configuration, false, "", 4),
              "fleet: 4 vehicles, 2 live, 1 silent, 1 waiting, 1 in alarm, order: configuration");
    EXPECT_EQ(fleetTitle(counts, FleetOrder::SilentFirst, true, "Bay\x1b", 0),
              "fleet: 0 of 4 match /Bay^[, 2 live, 1 silent, 1 waiting, 1 in alarm, order: silent first");
}

// Wide names take two columns a character: the cells are cut and padded by columns, so every later
// column, the fault field included, stays where the heading says. A vehicle that could not start
// says why in its row, stands out and is counted.
TEST(FleetTable, CellsKeepTheirColumnsAndAVehicleThatCouldNotStartSaysWhy) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    FleetVehicle wide =
        vehicle("\u5929\u4e95\u642c\u9001\u8eca\u4e00\u53f7\u6a5f\u897f\u68df", LinkState::Kind::Live);
    wide.record.alarmFault[0] = "F7";
    const std::string text = fleetRow(wide).text;
    const std::string heading = fleetHeading();
    EXPECT_EQ(displayWidth(text.substr(0, text.find("10.0.0.7"))), 17) << text;
    EXPECT_EQ(displayWidth(text.substr(0, text.find("F7|"))), static_cast<int>(heading.find("fault")))
        << text;
    EXPECT_EQ(fitColumns(text, 15, false),
              "\u5929\u4e95\u642c\u9001\u8eca\u4e00\u53f7");  // no half character at the edge

    FleetVehicle failed = vehicle("ohv004", LinkState::Kind::Waiting);
    failed.startError = "no \"port\"";
    const FleetRow row = fleetRow(failed);
    EXPECT_EQ(row.look, RowLook::Failed);
    EXPECT_EQ(row.text.substr(39), "not started  no \"port\"");
    EXPECT_EQ(fleetTitle(fleetCounts({wide, failed}), FleetOrder::Name, false, "", 2),
              "fleet: 2 vehicles, 1 live, 0 silent, 0 waiting, 1 in alarm, 1 not started, order: name");
}

// Finding a vehicle among many: the filter by name ignores case, and each order is stable, so
// vehicles alike for it keep their configuration order.
TEST(FleetTable, FilterAndOrdersPickAndSortTheRows) {
    EXPECT_TRUE(matchesFilter("OHV-Bay3-017", "bay3"));
    EXPECT_TRUE(matchesFilter("ohv", ""));
    EXPECT_FALSE(matchesFilter("ohv-bay3", "bay4"));
    EXPECT_FALSE(matchesFilter("ba", "bay"));

    const auto key = [](const char* name, int unacked, bool code, int rank) {
        return FleetSortKey{name, unacked, code, rank};
    };
    const std::vector<FleetSortKey> keys = {
        key("delta", 0, false, 2), key("Alpha", 0, true, 1), key("charlie", 2, false, 0),
        key("bravo", 0, false, 0), key("echo", 5, false, 2), key("alpha2", 0, true, 2),
    };
    using Rows = std::vector<std::size_t>;
    EXPECT_EQ(fleetOrder(keys, FleetOrder::Configuration, ""), (Rows{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(fleetOrder(keys, FleetOrder::AlarmsFirst, ""), (Rows{4, 2, 1, 5, 0, 3}));
    EXPECT_EQ(fleetOrder(keys, FleetOrder::SilentFirst, ""), (Rows{2, 3, 1, 0, 4, 5}));
    EXPECT_EQ(fleetOrder(keys, FleetOrder::Name, ""), (Rows{1, 5, 3, 2, 0, 4}));
    EXPECT_EQ(fleetOrder(keys, FleetOrder::Name, "ALPHA"), (Rows{1, 5}));
    EXPECT_TRUE(fleetOrder(keys, FleetOrder::AlarmsFirst, "xyz").empty());

    FleetOrder order = FleetOrder::Configuration;
    std::string names;
    for (int i = 0; i < 4; ++i) {
        order = nextFleetOrder(order);
        names += std::string(fleetOrderName(order)) + ";";
    }
    EXPECT_EQ(names, "alarms first;silent first;name;configuration;");
}

// The record is copied only when its store changed since the last copy; a change of any kind (a
// value, a cut message, a reset) moves the count.
TEST(FleetTable, AVehicleIsCopiedAgainOnlyWhenItsStoreChanged) {
    StatusStore store;
    FleetVehicle v;
    const auto now = std::chrono::steady_clock::now();
    store.store("3009", "3/1/1");
    refreshFleetVehicle(v, store, now);
    EXPECT_EQ(v.record.currentPo, 3);
    v.record.currentPo = 99;  // marks the copy: untouched while the store stands still
    refreshFleetVehicle(v, store, now);
    EXPECT_EQ(v.record.currentPo, 99);
    for (const auto& change : std::vector<std::function<void()>>{
             [&] { store.store("3009", "3/1/1"); }, [&] { store.noteCut(2); }, [&] { store.reset(); }}) {
        v.record.currentPo = 99;
        change();
        refreshFleetVehicle(v, store, now);
        EXPECT_NE(v.record.currentPo, 99);
    }
}

TEST(FleetTable, TheSelectionStaysOnScreenWhereverItMoves) {
    FleetSelection selection;
    selection.move(1, 40, 10);
    EXPECT_EQ(selection.selected, 1u);
    EXPECT_EQ(selection.top, 0u);
    selection.move(20, 40, 10);  // past the bottom of the window: it scrolls
    EXPECT_EQ(selection.selected, 21u);
    EXPECT_EQ(selection.top, 12u);
    selection.move(1000, 40, 10);  // clamped to the last vehicle
    EXPECT_EQ(selection.selected, 39u);
    EXPECT_EQ(selection.top, 30u);
    selection.move(-35, 40, 10);
    EXPECT_EQ(selection.selected, 4u);
    EXPECT_EQ(selection.top, 4u);
    selection.move(0, 40, 25);  // a taller window shows more, never past the end
    EXPECT_EQ(selection.top, 4u);
    selection.move(0, 5, 10);  // fewer vehicles than rows
    EXPECT_EQ(selection.selected, 4u);
    EXPECT_EQ(selection.top, 0u);
    selection.move(0, 0, 10);
    EXPECT_EQ(selection.selected, 0u);
}

}  // namespace
}  // namespace kova
