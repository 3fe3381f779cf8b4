#include "fleet/FleetReceiver.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "protocol/Endpoints.h"

namespace kova {

namespace {
constexpr std::chrono::milliseconds kPollLimit{200};
}  // namespace

FleetReceiver::FleetReceiver(zmq::context_t& context, const std::vector<ConnectionEntry>& vehicles) {
    vehicles_.reserve(vehicles.size());
    for (const ConnectionEntry& entry : vehicles) {
        const ControllerAddress& address = entry.address;
        Vehicle vehicle;
        vehicle.address = address;
        vehicle.store = std::make_unique<StatusStore>();
        vehicle.fault = entry.fault;
        if (entry.fault.empty()) {
            vehicle.subscription =
                std::make_unique<Subscription>(context, address.endpoint(protocol::kStatusPortOffset),
                                               "Network status " + address.name, kStatusLimits);
            StatusStore* store = vehicle.store.get();
            vehicle.subscription->onCut([store](const MessageCut& cut) { store->noteCut(cut.frames); });
        }
        vehicles_.push_back(std::move(vehicle));
    }
}

void FleetReceiver::run(const std::atomic<bool>& running,
                        const std::function<void(const std::string&)>& onError) {
    std::vector<zmq::pollitem_t> items;
    auto nextMend = std::chrono::steady_clock::now() + kMendEvery;
    bool flowing = false;  // the last round took something
    try {
        while (running) {
            items.clear();
            for (Vehicle& vehicle : vehicles_) {
                if (vehicle.subscription && vehicle.subscription->ready()) {
                    items.push_back({vehicle.subscription->socketHandle(), 0, ZMQ_POLLIN, 0});
                }
            }
            // While messages flow the next round simply comes kGather later (a poll over every socket
            // costs a system call per socket); once nothing came, the thread sleeps in the poll until
            // something does.
            if (flowing) {
                std::this_thread::sleep_for(kGather);
            } else if (zmq::poll(items.data(), items.size(), kPollLimit) == 0) {
                mendWhenDue(nextMend);
                continue;
            }
            // Every stream is served, each up to its budget; a socket dropped after a messaging error
            // is made anew (take() opens it).
            flowing = false;
            for (std::size_t i = 0; i < vehicles_.size(); ++i) {
                Vehicle& vehicle = vehicles_[i];
                if (!vehicle.subscription) {
                    continue;
                }
                StatusStore& store = *vehicle.store;
                const std::size_t taken = vehicle.subscription->take(
                    kBudget,
                    [this, i, &store](zmq::multipart_t& message) {
                        for (const auto& received : received_) {
                            received(i, message);
                        }
                        storeStatusMessage(message, store);
                    },
                    onError);
                flowing = flowing || taken > 0;
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
