// Alarms of a fleet: one watch for every vehicle, each under its connection's name; every row of
// the table counts its vehicle's unacknowledged alarms, and a in the table opens one journal of the
// whole fleet, where ack and ack all work as for one vehicle (ack all: every alarm of the fleet).
#include <algorithm>
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

namespace {

// The name a vehicle's alarms go under: its connection's, or host:port when it has none.
std::string alarmName(const ControllerAddress& address) {
    if (!address.name.empty()) {
        return address.name;
    }
    return address.host + ":" + std::to_string(address.port);
}

}  // namespace

void ConsoleApp::setUpFleetReplayAlarms() {
    setAlarmVehicle("");  // the whole fleet's counts until a vehicle is opened
    // Each vehicle's journal rebuilt from its own recorded stream; a jump back (the times go back)
    // rebuilds every one from the start.
    struct Played {
        std::int64_t newestNs = 0;
        std::vector<std::int64_t> vehicleNs;
    };
    auto played = std::make_shared<Played>();
    played->vehicleNs.assign(replayer_->vehicleCount(), 0);
    replayer_->onFleetStatusPlayed([this, played](std::int64_t ns, std::size_t index, const record::Frames& frames) {
        if (ns < played->newestNs) {
            alarms_->restart();
            std::fill(played->vehicleNs.begin(), played->vehicleNs.end(), 0);
        }
        played->newestNs = ns;
        const std::string vehicle = alarmName(replayer_->vehicleAddress(index));
        const StatusStore& store = replayer_->vehicleStore(index);
        std::int64_t& newest = played->vehicleNs[index];
        const std::int64_t liveNs = std::chrono::nanoseconds(LinkState::kLiveFor).count();
        if (newest != 0 && ns - newest >= liveNs) {
            // Nothing recorded of it for longer than the link stays live: silent then, live again now.
            alarms_->observeLink(vehicle, true, store, (newest + liveNs) / 1'000'000);
            alarms_->observeLink(vehicle, false, store, ns / 1'000'000);
        }
        newest = ns;
        if (frames.size() >= 2) {
            alarms_->observeMessage(vehicle, frames[0], frames[1], store, ns / 1'000'000);
        }
    });
}

std::string ConsoleApp::fleetVehicleName(std::size_t index) const {
    return alarmName(replayer_ ? replayer_->vehicleAddress(index) : fleet_->address(index));
}

void ConsoleApp::fillAlarmCounts(std::vector<FleetVehicle>& states) {
    if (!alarms_) {
        return;
    }
    // Counted again only when the journal changed, or once a second for a flood running out: a walk
    // of every alarm at every redraw would cost a busy fleet's timer more than the table itself.
    const auto at = std::chrono::steady_clock::now();
    const std::uint64_t changes = alarms_->changes();
    if (changes != alarmCountsChanges_ || at - alarmCountsAt_ >= std::chrono::seconds(1)) {
        const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
        alarmCounts_ = alarms_->byVehicle(now);
        alarmCountsChanges_ = changes;
        alarmCountsAt_ = at;
    }
    for (std::size_t i = 0; i < states.size(); ++i) {
        const auto found = alarmCounts_.find(alarmName(states[i].address));
        // Kept between redraws: a vehicle with every alarm acknowledged goes back to none.
        states[i].unackedAlarms = found != alarmCounts_.end() ? found->second.unacked : 0;
        states[i].alarmFlood = found != alarmCounts_.end() && found->second.flood;
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
