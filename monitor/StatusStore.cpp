#include "monitor/StatusStore.h"

namespace kova {

namespace {

std::string_view frameText(const zmq::message_t& frame) {
    return std::string_view(static_cast<const char*>(frame.data()), frame.size());
}

}  // namespace

StatusOutcome StatusStore::store(std::string_view indexText, std::string_view valuesText) {
    std::lock_guard<std::mutex> lock(mutex_);
    changes_.fetch_add(1, std::memory_order_release);
    return handleStatusMessage(indexText, valuesText, record_);
}

StatusRecord StatusStore::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return record_;
}

void StatusStore::copyTo(StatusRecord& out) const {
    std::lock_guard<std::mutex> lock(mutex_);
    out = record_;
}

std::optional<std::chrono::steady_clock::time_point> StatusStore::newestArrival() const {
    const auto newest = newest_.load(std::memory_order_relaxed);
    if (newest == kNever) {
        return std::nullopt;
    }
    return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(newest));
}

void StatusStore::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    record_ = StatusRecord{};
    changes_.fetch_add(1, std::memory_order_release);
    newest_.store(kNever, std::memory_order_relaxed);
}

void storeStatusMessage(const zmq::multipart_t& message, StatusStore& store) {
    store.noteArrival();
    if (message.size() >= 2) {
        store.store(frameText(message[0]), frameText(message[1]));
    }
}

bool receiveStatus(zmq::socket_t& socket, zmq::multipart_t& message, StatusStore& store) {
    message.clear();
    if (!message.recv(socket)) {
        return false;
    }
    storeStatusMessage(message, store);
    return true;
}

}  // namespace kova
