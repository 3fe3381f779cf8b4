#pragma once

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

// Stores frames 1 and 2 of a received status message; frames past the second are ignored, and a
// message of fewer than two frames is discarded without touching the record. The frames are read in
// place, without copies. Any thread.
void storeStatusMessage(const zmq::multipart_t& message, StatusStore& store);

// Receives one whole status message from `socket` into `message` and stores it (storeStatusMessage).
// Blocks up to the socket's receive time-out: returns false when it passed (EAGAIN), true once a
// message was handled. Throws zmq::error_t on any other failure.
bool receiveStatus(zmq::socket_t& socket, zmq::multipart_t& message, StatusStore& store);

}  // namespace kova
