#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <zmq.hpp>

#include "config/Configuration.h"
#include "monitor/StatusStore.h"
#include "net/Subscription.h"

namespace kova {

// The status streams of every vehicle of the configuration, received on one thread for the whole
// run, each into a status record of its own: the fleet table reads them every redraw, and the monitor
// shows the open vehicle's. The thread sleeps in one poll over every socket until something comes,
// lets kGather pass so that whatever else arrives meanwhile is served in the same round, then takes
// at most kBudget queued messages from each stream, so a flooding controller never holds up the
// others and a silent or absent one costs nothing. A thousand vehicles at their normal rates thus
// cost twenty rounds a second, not a wake-up per message (a round asks every socket, and each ask
// costs libzmq a system call or two); a value reaches its record within kGather of its arrival,
// inside the 200 ms between redraws. While a stream floods (kBusyStream messages in one round) the
// rounds come every kGatherBusy instead, so its queue never fills between two of them.
//
// Each stream is narrowed to the fleet table's objects (kFleetTableObjects): the publisher sends
// nothing else, and whatever else comes all the same (a prefix lets longer indices through; a
// controller may ignore subscriptions) is dropped before anyone sees it, uncounted, since it was
// never asked for. The vehicle open in the monitor is widened to its whole stream. The sockets stay
// the receiving thread's: widen() and narrow() only leave a request and wake the poll.
class FleetReceiver {
public:
    static constexpr std::size_t kBudget = 2048;
    static constexpr std::chrono::milliseconds kGather{50};
    static constexpr std::chrono::milliseconds kGatherBusy{10};
    static constexpr std::size_t kBusyStream = 200;
    static constexpr std::chrono::milliseconds kMendEvery{500};

    // Makes, subscribes and connects one status socket per usable entry (base port + 1), each message
    // kept within kStatusLimits as the monitor keeps it (a cut one is counted in the vehicle's record).
    // An entry with a fault gets none and keeps the fault as its start error; a vehicle whose socket
    // cannot be made keeps that failure and stays silent. Main thread.
    FleetReceiver(zmq::context_t& context, const std::vector<ConnectionEntry>& vehicles);
    ~FleetReceiver();
    FleetReceiver(const FleetReceiver&) = delete;
    FleetReceiver& operator=(const FleetReceiver&) = delete;

    // Asks for vehicle `index`'s whole status stream, and for only the table's objects of the one
    // widened before. The publisher starts sending the rest as soon as the receiving thread has
    // passed the request on (within kGather while messages flow, at once otherwise), so each value
    // arrives within its own publishing period. Any thread.
    void widen(std::size_t index);
    // Asks for only the table's objects of every vehicle again. Once the receiving thread has done
    // so, the widened vehicle's record forgets the values of the other objects (they would only
    // grow stale): opened again, its monitor shows them at their initial values until each arrives.
    // Any thread.
    void narrow();

    // Every message as received, with the index of its vehicle, before it is stored (the recorder,
    // the alarm watch); of a narrowed stream only the table's objects. Each call adds a listener, in
    // order. Set before run; called on the receiving thread.
    void onReceived(std::function<void(std::size_t, const zmq::multipart_t&)> received) {
        received_.push_back(std::move(received));
    }

    // Receives until `running` is cleared (looked at least every 200 ms) or the context is shut down.
    // Messaging errors go to `onError` with the vehicle's name. Widening and narrowing are done here.
    // One thread.
    void run(const std::atomic<bool>& running, const std::function<void(const std::string&)>& onError);

    std::size_t size() const { return vehicles_.size(); }
    const ControllerAddress& address(std::size_t i) const { return vehicles_[i].address; }
    // The vehicle's status record; any thread (it has its own lock).
    StatusStore& store(std::size_t i) { return *vehicles_[i].store; }
    // Why the vehicle receives nothing: its entry's fault or its socket's failure; empty when it started.
    const std::string& startError(std::size_t i) const {
        return vehicles_[i].subscription ? vehicles_[i].subscription->startError() : vehicles_[i].fault;
    }
    // False for an entry of the file that has no usable address.
    bool usable(std::size_t i) const { return vehicles_[i].subscription != nullptr; }

private:
    struct Vehicle {
        ControllerAddress address;
        std::unique_ptr<StatusStore> store;
        std::unique_ptr<Subscription> subscription;  // none for an entry with a fault
        std::string fault;
        bool whole = false;  // the whole stream is asked for; receiving thread
    };

    // Leaves the vehicle to widen (none: narrow all) and wakes the poll.
    void request(std::optional<std::size_t> widened);
    // Passes on to the publishers the widen or narrow last asked for, if it changes anything.
    void serveRequest(const std::function<void(const std::string&)>& onError);
    // Asks one vehicle's publisher for its whole stream or for the table's objects.
    void askWhole(std::size_t index, bool whole, const std::function<void(const std::string&)>& onError);
    // Lets `wait` pass while messages flow, or less when a widen or narrow is asked.
    void gather(std::chrono::milliseconds wait) const;
    // Connects again wherever a disconnect needs mending, at most every kMendEvery.
    void mendWhenDue(std::chrono::steady_clock::time_point& next);

    std::vector<Vehicle> vehicles_;
    std::vector<std::function<void(std::size_t, const zmq::multipart_t&)>> received_;

    std::mutex requestMutex_;
    std::optional<std::size_t> requested_;  // the vehicle to widen, under requestMutex_
    std::atomic<bool> asked_{false};        // a request waits
    int wake_ = -1;                         // an eventfd in the poll; -1 when none could be made
    std::optional<std::size_t> widened_;    // receiving thread
};

}  // namespace kova
