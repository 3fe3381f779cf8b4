// The console showing a fleet: every vehicle of the configuration in a table, any of them opened in
// the three windows with Enter, and back with the command "fleet".
#include <chrono>

#include "app/ConsoleApp.h"
#include "app/ScreenLayout.h"
#include "net/Context.h"
#include "ui/Screen.h"

namespace kova {

using namespace layout;

void ConsoleApp::setUpFleet(const Configuration& configuration) {
    // A vehicle that cannot start says why in its own row of the table.
    fleet_ = std::make_unique<FleetReceiver>(messagingContext(), configuration.entries);
    monitor.create(cols, kMonitorTop, kMonitorHeight);
    log.create(cols, kLogTop, kLogHeight);
    command.create(cols, kCommandTop, kCommandHeight, configuration.entries.front().address);
    fleetWindow_.create(cols, rows);
    ScreenLock lock;
    showViews(true);
}

void ConsoleApp::showViews(bool fleetTable) {
    fleetShown_ = fleetTable;
    fleetWindow_.setShown(fleetTable);
    for (CursesWindow* window : {static_cast<CursesWindow*>(&monitor), static_cast<CursesWindow*>(&log),
                                 static_cast<CursesWindow*>(&command)}) {
        window->setShown(!fleetTable);
    }
    // The view coming up covers the other one whole.
    clearok(curscr, TRUE);
    if (fleetTable) {
        fleetWindow_.paint();
    } else {
        monitor.paint();
        log.paint();
        command.paint();
    }
}

void ConsoleApp::openVehicle(std::size_t index) {
    if (!fleet_->usable(index)) {
        beep();  // an element of the file with no address to talk to: its row says why
        return;
    }
    // The table asked only for its own objects; the monitor shows them all.
    fleet_->widen(index);
    const ControllerAddress& vehicle = fleet_->address(index);
    openVehicle_ = static_cast<std::int32_t>(index);
    monitor.show(fleet_->store(index), vehicle);
    const std::string error = log.attach(vehicle, vehicle.name, true);
    command.attach(vehicle);
    {
        ScreenLock lock;
        showViews(false);
    }
    if (!error.empty()) {
        log.print(error);
    }
}

void ConsoleApp::showFleet() {
    log.detach();
    if (fleet_) {  // a fleet replayed has no streams to narrow
        fleet_->narrow();
    }
    ScreenLock lock;
    showViews(true);
}

std::vector<FleetVehicle>& ConsoleApp::fleetStates() {
    // Kept between redraws: a record is copied again only once its store changed.
    if (fleetStates_.size() != fleet_->size()) {
        fleetStates_.assign(fleet_->size(), FleetVehicle{});
        for (std::size_t i = 0; i < fleetStates_.size(); ++i) {
            fleetStates_[i].address = fleet_->address(i);
        }
    }
    const auto now = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < fleetStates_.size(); ++i) {
        if (const std::string& error = fleet_->startError(i); error != fleetStates_[i].startError) {
            fleetStates_[i].startError = error;
        }
        refreshFleetVehicle(fleetStates_[i], fleet_->store(i), now);
    }
    return fleetStates_;
}

}  // namespace kova
