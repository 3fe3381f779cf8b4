#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
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

    // Notes that a message arrived now, whatever became of it: the stream is alive. Any thread.
    void noteArrival(std::chrono::steady_clock::time_point at = std::chrono::steady_clock::now()) {
        newest_.store(at.time_since_epoch().count(), std::memory_order_relaxed);
    }
    // Notes a message cut to the stream's limits, of which `frames` frames were let go. Any thread.
    void noteCut(std::uint64_t frames) {
        changes_.fetch_add(1, std::memory_order_release);
        cutMessages_.fetch_add(1, std::memory_order_relaxed);
        droppedFrames_.fetch_add(frames, std::memory_order_relaxed);
    }
    // Messages cut so far, and the frames let go of them. Any thread.
    std::uint64_t cutMessages() const { return cutMessages_.load(std::memory_order_relaxed); }
    std::uint64_t droppedFrames() const { return droppedFrames_.load(std::memory_order_relaxed); }

    // Moves on with every message stored, cut, reset or change; read it before copying the record
    // and the copy holds at least what that count stands for. Any thread.
    std::uint64_t changes() const { return changes_.load(std::memory_order_acquire); }

    // When the newest message arrived; nothing before the first. Any thread.
    std::optional<std::chrono::steady_clock::time_point> newestArrival() const;

    // Back to the initial record, nothing arrived (a replay going back in time). Any thread.
    void reset();

    // Lets `alter` change the record under the store's lock, so a reader never meets it half
    // changed (a narrowed stream forgetting the values it no longer receives). Any thread.
    template <typename Alter>
    void change(Alter&& alter) {
        std::lock_guard<std::mutex> lock(mutex_);
        alter(record_);
        changes_.fetch_add(1, std::memory_order_release);
    }

private:
    static constexpr std::chrono::steady_clock::rep kNever =
        std::numeric_limits<std::chrono::steady_clock::rep>::min();

    mutable std::mutex mutex_;
    StatusRecord record_;
    std::atomic<std::chrono::steady_clock::rep> newest_{kNever};
    std::atomic<std::uint64_t> changes_{0};
    std::atomic<std::uint64_t> cutMessages_{0};
    std::atomic<std::uint64_t> droppedFrames_{0};
};

// Notes the arrival of a received status message and stores its frames 1 and 2; frames past the
// second are ignored, and a message of fewer than two frames is discarded without touching the
// record. The frames are read in place, without copies. Any thread.
void storeStatusMessage(const zmq::multipart_t& message, StatusStore& store);

// Receives one whole status message from `socket` into `message` and stores it (storeStatusMessage).
// Blocks up to the socket's receive time-out: returns false when it passed (EAGAIN), true once a
// message was handled. Throws zmq::error_t on any other failure.
bool receiveStatus(zmq::socket_t& socket, zmq::multipart_t& message, StatusStore& store);

}  // namespace kova
