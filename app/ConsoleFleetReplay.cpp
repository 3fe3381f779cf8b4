// The console playing a fleet recording back: the fleet table on the replay's clock, any vehicle
// opened in the three windows with Enter at the same point of the clock, and back with "fleet".
#include "app/ConsoleApp.h"
#include "ui/Screen.h"

namespace kova {

void ConsoleApp::setUpFleetReplay() {
    // The table, the command "fleet" and the help of a fleet, as a live fleet has them.
    settings_.fleet = true;
    fleetWindow_.create(cols, rows);
    ScreenLock lock;
    showViews(true);
}

void ConsoleApp::openReplayedVehicle(std::size_t index) {
    replayer_->open(index);
    monitor.show(replayer_->vehicleStore(index), replayer_->vehicleAddress(index));
    // The log lines played from now on are this vehicle's (the recording holds the lines of the
    // vehicle that was open while it was made).
    log.startOver();
    {
        ScreenLock lock;
        showViews(false);
    }
}

std::vector<FleetVehicle>& ConsoleApp::replayedFleetStates() {
    // Kept between redraws as a live fleet's are: a record is copied again only once it changed.
    std::vector<FleetVehicle>& states = fleetStates_;
    if (states.size() != replayer_->vehicleCount()) {
        states.assign(replayer_->vehicleCount(), FleetVehicle{});
        for (std::size_t i = 0; i < states.size(); ++i) {
            states[i].address = replayer_->vehicleAddress(i);
        }
    }
    for (std::size_t i = 0; i < states.size(); ++i) {
        const StatusStore& store = replayer_->vehicleStore(i);
        states[i].link = replayer_->vehicleLink(i);
        if (const std::uint64_t changes = store.changes(); changes != states[i].changes) {
            store.copyTo(states[i].record);
            states[i].changes = changes;
        }
    }
    return states;
}

}  // namespace kova
