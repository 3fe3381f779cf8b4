// Alarms of a fleet: one watch for every vehicle, each under its connection's name; every row of
// the table counts its vehicle's unacknowledged alarms, and a in the table opens one journal of the
// whole fleet, where ack and ack all work as for one vehicle (ack all: every alarm of the fleet).
#include <chrono>

#include "app/ConsoleApp.h"
#include "base/OperationLog.h"
#include "ui/Screen.h"

namespace kova {

void ConsoleApp::setUpFleetAlarms() {
    setUpAlarms(ControllerAddress{});
    setAlarmVehicle("");  // the whole fleet's counts until a vehicle is opened
    // Each message with its vehicle's index, before it is stored: a code that comes and goes
    // between two redraws of the table still counts.
    fleet_->onReceived([this](std::size_t index, const zmq::multipart_t& message) {
        if (message.size() >= 2) {
            alarms_->observeMessage(fleetVehicleName(index), message[0].to_string_view(),
                                    message[1].to_string_view(), fleet_->store(index),
                                    std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count());
        }
    });
}

std::string ConsoleApp::fleetVehicleName(std::size_t index) const {
    const ControllerAddress& address = fleet_->address(index);
    if (!address.name.empty()) {
        return address.name;
    }
    return address.host + ":" + std::to_string(address.port);
}

void ConsoleApp::fillAlarmCounts(std::vector<FleetVehicle>& states) const {
    if (!alarms_ || !fleet_) {
        return;
    }
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    const std::map<std::string, AlarmCounts> counts = alarms_->byVehicle(now);
    for (std::size_t i = 0; i < states.size() && i < fleet_->size(); ++i) {
        const auto found = counts.find(fleetVehicleName(i));
        // Kept between redraws: a vehicle with every alarm acknowledged goes back to none.
        states[i].unackedAlarms = found != counts.end() ? found->second.unacked : 0;
        states[i].alarmFlood = found != counts.end() && found->second.flood;
    }
}

void ConsoleApp::showFleetJournal() {
    fleetJournal_ = true;
    alarmsShown_ = true;
    alarmSelected_ = 0;
    {
        ScreenLock lock;
        showViews(false);
    }
    showAlarms();
}

void ConsoleApp::leaveFleetJournal() {
    alarmsShown_ = false;
    fleetJournal_ = false;
    log.takeKey(27);  // the log comes back for the vehicle opened next
    showFleet();
}

}  // namespace kova
