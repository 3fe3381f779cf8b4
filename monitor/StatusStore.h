#pragma once

#include <atomic>
#include <mutex>
#include <string_view>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "monitor/StatusHandler.h"
#include "monitor/StatusRecord.h"

namespace kova {

// The status record shared by the monitor thread (the only writer) and the redraw timer (the only
// reader). One mutex is held while one message is stored and while a reader copies the record, so
// a reader never meets a text field half replaced; values of different messages may still mix.
class StatusStore {
public:
    // Stores one message (see handleStatusMessage). Any thread.
    StatusOutcome store(std::string_view indexText, std::string_view valuesText);
    // The record as it is now. Any thread.
    StatusRecord snapshot() const;
    // Copies the record into `out`, reusing its text buffers. Any thread.
    void copyTo(StatusRecord& out) const;

private:
    mutable std::mutex mutex_;
    StatusRecord record_;
};

// Receives one whole status message from `socket` into `message` and stores frames 1 and 2;
// frames past the second are dropped, and a message of fewer than two frames is discarded without
// touching the record. Blocks up to the socket's receive time-out: returns false when it passed
// (EAGAIN), true once a message was handled. Throws zmq::error_t on any other failure.
bool receiveStatus(zmq::socket_t& socket, zmq::multipart_t& message, StatusStore& store);

// Receives and stores status messages while `running` holds (tested between messages). Returns
// quietly when the messaging context is shut down (ETERM); any other messaging error is thrown.
void receiveStatusLoop(zmq::socket_t& socket, StatusStore& store, const std::atomic<bool>& running);

}  // namespace kova
