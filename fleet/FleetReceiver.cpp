#include "fleet/FleetReceiver.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <thread>

#include "fleet/FleetObjects.h"
#include "protocol/Endpoints.h"

namespace kova {

namespace {

constexpr std::chrono::milliseconds kPollLimit{200};

std::string_view frameText(const zmq::message_t& frame) {
    return std::string_view(static_cast<const char*>(frame.data()), frame.size());
}

}  // namespace

FleetReceiver::FleetReceiver(zmq::context_t& context, const std::vector<ConnectionEntry>& vehicles)
    // Without a wake-up a request still goes through, at the next round (kPollLimit at the latest).
    : wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    vehicles_.reserve(vehicles.size());
    const std::vector<std::string> prefixes = fleetTablePrefixes();
    for (const ConnectionEntry& entry : vehicles) {
        const ControllerAddress& address = entry.address;
        Vehicle vehicle;
        vehicle.address = address;
        vehicle.store = std::make_unique<StatusStore>();
        vehicle.fault = entry.fault;
        if (entry.fault.empty()) {
            vehicle.subscription =
                std::make_unique<Subscription>(context, address.endpoint(protocol::kStatusPortOffset),
                                               "Network status " + address.name, kStatusLimits, prefixes);
            StatusStore* store = vehicle.store.get();
            vehicle.subscription->onCut([store](const MessageCut& cut) { store->noteCut(cut.frames); });
        }
        vehicles_.push_back(std::move(vehicle));
    }
}

FleetReceiver::~FleetReceiver() {
    if (wake_ >= 0) {
        ::close(wake_);
    }
}

void FleetReceiver::widen(std::size_t index) {
    request(index);
}

void FleetReceiver::narrow() {
    request(std::nullopt);
}

void FleetReceiver::request(std::optional<std::size_t> widened) {
    {
        std::lock_guard<std::mutex> lock(requestMutex_);
        requested_ = widened;
    }
    asked_ = true;
    if (wake_ >= 0) {
        const std::uint64_t one = 1;
        // Fails only when the count is full, and then the poll is awake anyway.
        [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
    }
}

void FleetReceiver::serveRequest(const std::function<void(const std::string&)>& onError) {
    if (!asked_.exchange(false)) {
        return;
    }
    std::optional<std::size_t> requested;
    {
        std::lock_guard<std::mutex> lock(requestMutex_);
        requested = requested_;
    }
    if (requested == widened_) {
        return;  // narrowed and widened again before this thread got to it: nothing changed
    }
    if (widened_) {
        askWhole(*widened_, false, onError);
    }
    if (requested && *requested < vehicles_.size()) {
        askWhole(*requested, true, onError);
    }
    widened_ = requested;
}

void FleetReceiver::askWhole(std::size_t index, bool whole,
                             const std::function<void(const std::string&)>& onError) {
    Vehicle& vehicle = vehicles_[index];
    if (!vehicle.subscription) {
        return;
    }
    vehicle.whole = whole;
    vehicle.subscription->resubscribe(whole ? std::vector<std::string>{} : fleetTablePrefixes(), onError);
    if (!whole) {
        // From here on nothing refreshes the other objects; what the record holds of them goes.
        vehicle.store->change(keepFleetTableValues);
    }
}

void FleetReceiver::gather(std::chrono::milliseconds wait) const {
    if (wake_ < 0) {
        std::this_thread::sleep_for(wait);
        return;
    }
    pollfd wake{wake_, POLLIN, 0};
    // Interrupted by a signal: the round simply comes a little early.
    if (::poll(&wake, 1, static_cast<int>(wait.count())) > 0 && (wake.revents & POLLIN) != 0) {
        std::uint64_t count = 0;  // emptied, or every later wait would end at once
        [[maybe_unused]] const ssize_t read = ::read(wake_, &count, sizeof count);
    }
}

void FleetReceiver::run(const std::atomic<bool>& running,
                        const std::function<void(const std::string&)>& onError) {
    std::vector<zmq::pollitem_t> items;
    auto nextMend = std::chrono::steady_clock::now() + kMendEvery;
    bool flowing = false;      // the last round took something
    std::size_t busiest = 0;   // the most one stream gave in the last round
    try {
        while (running) {
            items.clear();
            if (wake_ >= 0) {
                items.push_back({nullptr, wake_, ZMQ_POLLIN, 0});
            }
            for (Vehicle& vehicle : vehicles_) {
                if (vehicle.subscription && vehicle.subscription->ready()) {
                    items.push_back({vehicle.subscription->socketHandle(), 0, ZMQ_POLLIN, 0});
                }
            }
            // While messages flow the next round simply comes kGather later (a poll over every socket
            // costs a system call per socket); once nothing came, the thread sleeps in the poll until
            // something does.
            if (flowing) {
                // A widen or narrow asked meanwhile ends the wait: the open vehicle's whole stream
                // starts at once.
                gather(busiest >= kBusyStream ? kGatherBusy : kGather);
            } else if (zmq::poll(items.data(), items.size(), kPollLimit) == 0) {
                serveRequest(onError);
                mendWhenDue(nextMend);
                continue;
            }
            // The wake-up is emptied only when the poll saw it (no system call a round while messages
            // flow); one written after its request was served costs a single extra round.
            if (wake_ >= 0 && (items.front().revents & ZMQ_POLLIN) != 0) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t read = ::read(wake_, &count, sizeof count);
            }
            serveRequest(onError);
            // Every stream is served, each up to its budget; a socket dropped after a messaging error
            // is made anew (take() opens it).
            flowing = false;
            busiest = 0;
            for (std::size_t i = 0; i < vehicles_.size(); ++i) {
                Vehicle& vehicle = vehicles_[i];
                if (!vehicle.subscription) {
                    continue;
                }
                StatusStore& store = *vehicle.store;
                const std::size_t taken = vehicle.subscription->take(
                    kBudget,
                    [this, i, &vehicle, &store](zmq::multipart_t& message) {
                        if (!vehicle.whole && !isFleetTableObject(frameText(message[0]))) {
                            return;  // not asked for
                        }
                        for (const auto& received : received_) {
                            received(i, message);
                        }
                        storeStatusMessage(message, store);
                    },
                    onError);
                flowing = flowing || taken > 0;
                busiest = std::max(busiest, taken);
            }
            mendWhenDue(nextMend);
        }
    } catch (const zmq::error_t& e) {
        if (e.num() != ETERM) {
            throw;
        }
    }
}

void FleetReceiver::mendWhenDue(std::chrono::steady_clock::time_point& next) {
    const auto now = std::chrono::steady_clock::now();
    if (now < next) {
        return;
    }
    next = now + kMendEvery;
    for (Vehicle& vehicle : vehicles_) {
        if (vehicle.subscription) {
            vehicle.subscription->mend();
        }
    }
}

}  // namespace kova
