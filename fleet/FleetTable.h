#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/Configuration.h"
#include "monitor/LinkState.h"
#include "monitor/StatusRecord.h"
#include "monitor/StatusStore.h"

namespace kova {

// What one row of the fleet table shows of a vehicle.
struct FleetVehicle {
    ControllerAddress address;
    LinkState link;
    StatusRecord record;
    std::string startError;   // why the vehicle could not start; empty when it did
    int unackedAlarms = 0;    // alarms of the journal nobody has acknowledged yet
    bool alarmFlood = false;  // more alarms raised lately than an operator can follow
    // The store's change count the record was copied at; kNeverCopied before the first copy.
    static constexpr std::uint64_t kNeverCopied = UINT64_MAX;
    std::uint64_t changes = kNeverCopied;
};

// Brings `vehicle` up to `store`: the link at `now` every time, the record only when the store's
// change count moved since the last copy, so an idle fleet copies nothing. Any thread.
void refreshFleetVehicle(FleetVehicle& vehicle, const StatusStore& store,
                         std::chrono::steady_clock::time_point now);

// How a row looks: the ones in trouble stand out.
enum class RowLook {
    Normal,
    Waiting,  // nothing received yet
    Silent,   // the stream has gone quiet
    Alarm,    // a warning or fault code is raised
    Failed,   // the vehicle could not start: the row says why
};

struct FleetRow {
    std::string text;
    RowLook look = RowLook::Normal;
};

// The fleet table as text: a heading, one row per vehicle (name, host and base port, the link in the
// monitor title's words, operation state and status, current and goal point, actual velocity in m/s,
// warning and fault codes) and a title that counts the vehicles live, silent and in alarm, and the
// ones that could not start. A vehicle that has never reported shows "-" in every value column; one
// that could not start says why from the state column on. Cells are cut and padded by display
// columns, and controller texts are shown safely (TextCells). Pure; any thread.
std::string fleetHeading();
FleetRow fleetRow(const FleetVehicle& vehicle);

// The orders the table cycles through with `s`.
enum class FleetOrder {
    Configuration,  // as the configuration lists them
    AlarmsFirst,    // most unacknowledged alarms first, then a raised warning or fault code
    SilentFirst,    // silent (and not started) first, then waiting, then the rest
    Name,           // by name, case ignored
};
// "configuration", "alarms first", "silent first", "name".
const char* fleetOrderName(FleetOrder order);
FleetOrder nextFleetOrder(FleetOrder order);

// Whether `name` holds `filter`, ASCII case ignored; an empty filter matches every name.
bool matchesFilter(std::string_view name, std::string_view filter);

// What ordering and filtering look at of a vehicle, kept by the table between redraws.
struct FleetSortKey {
    std::string name;
    int unackedAlarms = 0;
    bool codeRaised = false;  // a warning or fault code is raised
    int linkRank = 0;         // 0 silent or not started, 1 waiting, 2 the rest
};
FleetSortKey fleetSortKey(const FleetVehicle& vehicle);

// The configuration indices of the vehicles whose names match `filter`, in `order`. Stable: vehicles
// alike for the order keep their configuration order.
std::vector<std::size_t> fleetOrder(const std::vector<FleetSortKey>& keys, FleetOrder order,
                                    std::string_view filter);

// How many vehicles are live, silent, waiting, in alarm and not started.
struct FleetCounts {
    std::size_t vehicles = 0;
    std::size_t live = 0;
    std::size_t silent = 0;
    std::size_t waiting = 0;
    std::size_t alarm = 0;
    std::size_t failed = 0;
};
FleetCounts fleetCounts(const std::vector<FleetVehicle>& vehicles);

// "fleet: 1000 vehicles, 990 live, 3 silent, 7 waiting, 2 in alarm, order: configuration"; with a
// filter, "fleet: 12 of 1000 match /bay3, ..." (the counts are always the whole fleet's).
std::string fleetTitle(const FleetCounts& counts, FleetOrder order, bool filtered, std::string_view filter,
                       std::size_t matching);

// The selected row and the first row shown, kept so the selection is always on screen.
struct FleetSelection {
    std::size_t selected = 0;
    std::size_t top = 0;

    // Moves the selection by `delta` rows (clamped to the table), then scrolls so it shows in a window
    // of `visibleRows` rows over `count` rows.
    void move(long delta, std::size_t count, std::size_t visibleRows);
};

}  // namespace kova
