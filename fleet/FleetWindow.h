#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fleet/FleetTable.h"
#include "monitor/MonitorWindow.h"
#include "ui/CursesWindow.h"

namespace kova {

// What a key in the fleet table asks of the console.
struct FleetKey {
    enum class Action { None, Open, Journal };
    Action action = Action::None;
    std::size_t vehicle = 0;  // with Open: the vehicle's index in the configuration
};

// The fleet view: every vehicle of the configuration in one table over the whole screen, the title
// bar counting them, the ones in trouble standing out, one of them selected. Redrawn by the timer.
// A filter on the name (`/`) and an order (`s`) choose which rows show and how; the selection stays
// on its vehicle when either changes. Each vehicle's row text is kept and formatted again only when
// what it shows changed, so a redraw of a quiet fleet formats nothing.
class FleetWindow : public CursesWindow {
public:
    // The title bar at row 0 and the table below it, down to the screen's last row. Main thread.
    void create(int cols, int rows);

    // Draws the table from the vehicles' states (in configuration order): the heading, then the rows
    // that match the filter and fit, in the chosen order, scrolled so the selection shows. Nothing
    // while hidden. Timer thread; takes the ScreenLock.
    // `beside` is what the title bar shows at its right end before the keys (the recorder's or the
    // journal's state, a replay's clock), in the alert colour when it says something is wrong.
    void drawTable(const std::vector<FleetVehicle>& vehicles, const MonitorWindow::Beside& beside = {});

    // A key while the table is shown: Up, Down, j, k, PgUp, PgDn, Home and End move the selection;
    // Enter gives the vehicle to open, a the fleet's alarm journal; s the next order; / starts typing a
    // filter, whose characters then go to it (Backspace edits, Enter keeps it, Esc clears it); Esc
    // clears a kept filter. Takes the ScreenLock; command thread.
    FleetKey takeKey(int key);

protected:
    void writeCaption(int cols) override;
    void redrawBody() override;

private:
    // A vehicle's row as last formatted, and what it was formatted from.
    struct CachedRow {
        bool formatted = false;
        std::uint64_t changes = 0;
        LinkState link;
        int unackedAlarms = 0;
        bool alarmFlood = false;
        std::string startError;
        FleetRow row;
    };

    std::size_t visibleRows() const;
    // Formats again the rows whose vehicle changed; says whether any did. ScreenLock held.
    bool updateRows(const std::vector<FleetVehicle>& vehicles);
    // Orders and filters the rows, keeps the selection on its vehicle, writes title and body and
    // paints. ScreenLock held.
    void drawRows();
    // drawRows while the table is shown. ScreenLock held.
    void redraw();
    // A key while a filter is typed. ScreenLock held.
    void keyOfFilter(int key);

    // All under the ScreenLock.
    std::vector<CachedRow> rows_;     // by configuration index
    std::vector<FleetSortKey> keys_;  // by configuration index
    std::vector<std::size_t> order_;  // configuration indices of the rows shown, in order
    FleetCounts counts_;
    FleetOrder orderKind_ = FleetOrder::Configuration;
    std::string filter_;
    bool typing_ = false;              // keys go to the filter
    std::size_t selectedVehicle_ = 0;  // configuration index of the selected row's vehicle
    FleetSelection selection_;         // over order_
    std::string title_;
    MonitorWindow::Beside beside_;  // as last written
    bool typingShown_ = false;  // the caption as last written
    bool stale_ = true;         // the body must be drawn whatever changed
};

}  // namespace kova
