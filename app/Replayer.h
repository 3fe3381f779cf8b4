#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/ReplayClock.h"
#include "command/CommandWindow.h"
#include "config/Configuration.h"
#include "logview/LogWindow.h"
#include "monitor/StatusStore.h"
#include "record/RecordReader.h"

namespace kova {

// Plays a recording back through the console's windows, with no network: the status messages into
// a record the monitor shows, the log lines with their numbers into the log window, each request and
// its reply into the command line's output field, all at their recorded pace times the speed.
// Keys: Space pauses and resumes, + and - double and halve the speed, Right and Left jump 10 s on
// and back (back: everything is played again from the start up to there, at once), q ends.
class Replayer {
public:
    static constexpr std::int64_t kJumpNs = 10'000'000'000;

    Replayer(std::shared_ptr<record::RecordReader> reader, double speed, LogWindow& log,
             CommandWindow& command);

    // The controller the recording was made of (its first session), for the monitor's title.
    ControllerAddress recordedController() const;
    // The record the monitor shows.
    StatusStore& store() { return store_; }

    // The replay thread's body: plays events until stopped, then returns. One thread.
    void run(const std::atomic<bool>& running);
    // Wakes run() to see a stop. Any thread.
    void wake();

    enum class Key { Taken, Quit, NotMine };
    // A key of the replay's own (Space, +, -, Left, Right, q). Any thread.
    Key takeKey(int key);

    // Events played so far. Any thread.
    std::uint64_t played() const { return played_.load(std::memory_order_relaxed); }

    // What the monitor title shows beside the link: "replay 2026-12-08 10:11:12 x2", with "paused" or
    // "ended" when so. Any thread.
    std::string titleText();

private:
    // Plays one event now. Replay thread, without the lock.
    void play(const record::RecordedEvent& event);
    // Back to the start of the recording with empty windows. Replay thread, without the lock.
    void rewind();

    std::shared_ptr<record::RecordReader> reader_;
    LogWindow& log_;
    CommandWindow& command_;
    StatusStore store_;
    std::int64_t firstNs_ = 0;
    std::int64_t lastNs_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    ReplayClock clock_;                   // under mutex_
    std::optional<std::int64_t> jumpTo_;  // asked for and not yet done; under mutex_
    bool ended_ = false;                  // under mutex_
    std::atomic<std::uint64_t> played_{0};
};

}  // namespace kova
