#include "fleet/FleetReceiver.h"

#include <cerrno>
#include <chrono>

#include "protocol/Endpoints.h"

namespace kova {

namespace {
constexpr std::chrono::milliseconds kPollLimit{200};
}  // namespace

FleetReceiver::FleetReceiver(zmq::context_t& context, const std::vector<ControllerAddress>& vehicles) {
    vehicles_.reserve(vehicles.size());
    for (const ControllerAddress& address : vehicles) {
        Vehicle vehicle;
        vehicle.address = address;
        vehicle.store = std::make_unique<StatusStore>();
        vehicle.subscription = std::make_unique<Subscription>(
            context, address.endpoint(protocol::kStatusPortOffset), "Network status " + address.name);
        vehicles_.push_back(std::move(vehicle));
    }
}

void FleetReceiver::run(const std::atomic<bool>& running,
                        const std::function<void(const std::string&)>& onError) {
    std::vector<zmq::pollitem_t> items;
    std::vector<std::size_t> owners;  // the vehicle of each pair of items
    bool budgetRanOut = false;
    try {
        while (running) {
            items.clear();
            owners.clear();
            for (std::size_t i = 0; i < vehicles_.size(); ++i) {
                Subscription& subscription = *vehicles_[i].subscription;
                if (subscription.ready()) {
                    items.push_back({subscription.socketHandle(), 0, ZMQ_POLLIN, 0});
                    items.push_back({subscription.eventsHandle(), 0, ZMQ_POLLIN, 0});
                    owners.push_back(i);
                }
            }
            // When a stream's budget ran out last round, the poll only looks, without waiting.
            zmq::poll(items.data(), items.size(), budgetRanOut ? std::chrono::milliseconds(0) : kPollLimit);
            budgetRanOut = false;
            for (std::size_t k = 0; k < owners.size(); ++k) {
                if ((items[2 * k].revents | items[2 * k + 1].revents) == 0) {
                    continue;
                }
                StatusStore& store = *vehicles_[owners[k]].store;
                budgetRanOut |= vehicles_[owners[k]].subscription->take(
                    kBudget, [&store](zmq::multipart_t& message) { storeStatusMessage(message, store); },
                    onError);
            }
            // A socket dropped after a messaging error is made anew (take() opens it) for the next poll.
            for (Vehicle& vehicle : vehicles_) {
                if (!vehicle.subscription->ready() && vehicle.subscription->startError().empty()) {
                    StatusStore& store = *vehicle.store;
                    vehicle.subscription->take(
                        kBudget, [&store](zmq::multipart_t& message) { storeStatusMessage(message, store); },
                        onError);
                }
            }
        }
    } catch (const zmq::error_t& e) {
        if (e.num() != ETERM) {
            throw;
        }
    }
}

}  // namespace kova
