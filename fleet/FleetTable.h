#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/Configuration.h"
#include "monitor/LinkState.h"
#include "monitor/StatusRecord.h"

namespace kova {

// What one row of the fleet table shows of a vehicle.
struct FleetVehicle {
    ControllerAddress address;
    LinkState link;
    StatusRecord record;
    std::string startError;  // why the vehicle could not start; empty when it did
    int unackedAlarms = 0;   // alarms of the journal nobody has acknowledged yet
    bool alarmFlood = false; // more alarms raised lately than an operator can follow
};

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
std::string fleetTitle(const std::vector<FleetVehicle>& vehicles);

// The selected row and the first row shown, kept so the selection is always on screen.
struct FleetSelection {
    std::size_t selected = 0;
    std::size_t top = 0;

    // Moves the selection by `delta` rows (clamped to the table), then scrolls so it shows in a window
    // of `visibleRows` rows over `count` rows.
    void move(long delta, std::size_t count, std::size_t visibleRows);
};

}  // namespace kova
