#include "monitor/StatusStore.h"

#include "net/Multipart.h"

namespace kova {

namespace {

std::string_view frameText(const zmq::message_t& frame) {
    return std::string_view(static_cast<const char*>(frame.data()), frame.size());
}

}  // namespace

StatusOutcome StatusStore::store(std::string_view indexText, std::string_view valuesText) {
    std::lock_guard<std::mutex> lock(mutex_);
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

bool receiveStatus(zmq::socket_t& socket, zmq::multipart_t& message, StatusStore& store) {
    if (!receiveMultipart(socket, message)) {
        return false;
    }
    if (message.size() >= 2) {
        // The frames are read in place: no copy of their texts.
        store.store(frameText(message[0]), frameText(message[1]));
    }
    return true;
}

void receiveStatusLoop(zmq::socket_t& socket, StatusStore& store, const std::atomic<bool>& running) {
    zmq::multipart_t message;
    while (running) {
        try {
            receiveStatus(socket, message, store);
        } catch (const zmq::error_t& e) {
            if (e.num() == ETERM) {
                return;  // the console is shutting down
            }
            throw;
        }
    }
}

}  // namespace kova
