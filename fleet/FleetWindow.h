#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "fleet/FleetTable.h"
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
class FleetWindow : public CursesWindow {
public:
    // The title bar at row 0 and the table below it, down to the screen's last row. Main thread.
    void create(int cols, int rows);

    // Draws the table from the vehicles' states: the heading, then the rows that fit, scrolled so the
    // selection shows. Nothing while hidden. Timer thread; takes the ScreenLock.
    void drawTable(const std::vector<FleetVehicle>& vehicles);

    // A key while the table is shown: Up, Down, j, k, PgUp, PgDn, Home and End move the selection;
    // Enter gives the vehicle to open, a the fleet's alarm journal. Takes the ScreenLock; command thread.
    FleetKey takeKey(int key);

protected:
    void writeCaption(int cols) override;

private:
    std::size_t visibleRows() const;

    FleetSelection selection_;  // under the ScreenLock
    std::size_t count_ = 0;     // vehicles in the last table drawn
    std::string title_;
};

}  // namespace kova
