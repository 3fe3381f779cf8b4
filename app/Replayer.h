#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/ReplayClock.h"
#include "command/CommandWindow.h"
#include "config/Configuration.h"
#include "logview/LogWindow.h"
#include "monitor/LinkState.h"
#include "monitor/StatusStore.h"
#include "record/RecordReader.h"

namespace kova {

// The local date and time of a recorded time (ns since the Unix epoch): "2026-12-08 10:11:12".
std::string localTime(std::int64_t ns);

// Plays a recording back through the console's windows, with no network: the status messages into
// a record the monitor shows, the log lines with their numbers into the log window, each request and
// its reply into the command line's output field, all at their recorded pace times the speed.
// It plays the session the reader was set to (one session at a time), within that session's span:
// the clock stops at its end, Left steps back from there and plays on, Right stays at the end.
// Keys: Space pauses and resumes, + and - double and halve the speed (within ReplayClock's limits),
// Right and Left jump 10 s on and back (back: everything is played again from the start up to there,
// at once), q ends. Damaged rows are skipped and counted in the title.
class Replayer {
public:
    static constexpr std::int64_t kJumpNs = 10'000'000'000;

    // `session`: the index in reader->sessions() of the session the reader walks.
    Replayer(std::shared_ptr<record::RecordReader> reader, std::size_t session, double speed, LogWindow& log,
             CommandWindow& command);

    // The controller the session was recorded of, for the monitor's title (of a fleet: the vehicle
    // played alone, or else the open one).
    ControllerAddress recordedController() const;

    // A fleet recording, played whole: every vehicle's status messages go into a record of its own,
    // shown in the fleet table; the log lines and requests played are the open vehicle's.

    // Plays vehicle `name` of a fleet recording as if it had been recorded alone (the reader walks
    // that vehicle's rows only). Main thread, before run().
    void playAlone(const std::string& name);
    // Whether the session is a fleet's, played whole: the console shows the fleet table.
    bool fleet() const { return alone_.empty() && !vehicles_.empty(); }
    std::size_t vehicleCount() const { return vehicles_.size(); }
    ControllerAddress vehicleAddress(std::size_t i) const;
    // The vehicle's record; any thread.
    StatusStore& vehicleStore(std::size_t i) { return *vehicles_[i].store; }
    // The vehicle's link on the replay's clock, as linkState() says it. Any thread.
    LinkState vehicleLink(std::size_t i);
    // From now on the monitor's link and the log lines and requests played are vehicle `i`'s. Any thread.
    void open(std::size_t i);
    // "session 2 of 3, started 2026-12-08 10:11:12": which session plays. Any thread.
    std::string sessionText() const;
    // The record the monitor shows.
    StatusStore& store() { return store_; }

    // Called with each status message played and its recorded time (ns), before it is stored; the
    // times go back when the replay jumps back. Set before run; replay thread.
    void onStatusPlayed(std::function<void(std::int64_t, const record::Frames&)> listener) {
        statusPlayed_ = std::move(listener);
    }
    // The same for a fleet recording: each status message with the index of its vehicle.
    void onFleetStatusPlayed(std::function<void(std::int64_t, std::size_t, const record::Frames&)> listener) {
        fleetStatusPlayed_ = std::move(listener);
    }

    // The replay thread's body: plays events until stopped, then returns. One thread.
    void run(const std::atomic<bool>& running);
    // Wakes run() to see a stop. Any thread.
    void wake();

    enum class Key { Taken, Quit, NotMine };
    // A key of the replay's own (Space, +, -, Left, Right, q). Any thread.
    Key takeKey(int key);

    // Events played so far. Any thread.
    std::uint64_t played() const { return played_.load(std::memory_order_relaxed); }

    // What the monitor title shows beside the link: "replay 2026-12-08 10:11:12 x2", with "max" or
    // "min" after the speed when a key asked for more than the limit, "paused" or "ended" when so,
    // "session 2/3" when the file holds several, ", N damaged rows skipped" when any were. Any thread.
    std::string titleText();

    // The link indicator on the replay's clock: live while the newest status message played is under
    // 2 s of recorded time old, silent after that, paused while the replay stands still (paused, or
    // ended). Any thread.
    LinkState linkState();

private:
    // Plays one event now. Replay thread, without the lock.
    void play(const record::RecordedEvent& event);
    // Back to the start of the recording with empty windows. Replay thread, without the lock.
    void rewind();
    // The link of a stream whose newest status message was recorded at `newest`. mutex_ held.
    LinkState linkAt(std::int64_t newest, std::chrono::steady_clock::time_point now) const;
    // Whether a log line or request of `vehicle` belongs on the windows now.
    bool shown(const std::string& vehicle) const;

    struct Vehicle {
        record::VehicleInfo info;
        std::unique_ptr<StatusStore> store;
        std::unique_ptr<std::atomic<std::int64_t>> newestNs;
    };
    std::vector<Vehicle> vehicles_;  // of a fleet session, in the order recorded; fixed before run()
    std::unordered_map<std::string, std::size_t> vehicleIndex_;
    std::string alone_;  // the vehicle played alone; empty: the whole session
    std::atomic<std::size_t> open_{0};

    static constexpr std::int64_t kNoStatus = std::numeric_limits<std::int64_t>::min();

    std::shared_ptr<record::RecordReader> reader_;
    std::size_t session_;
    LogWindow& log_;
    CommandWindow& command_;
    StatusStore store_;

    std::mutex mutex_;
    std::condition_variable changed_;
    ReplayClock clock_;                   // under mutex_
    std::optional<std::int64_t> jumpTo_;  // asked for (from there by jumpBy_) and not yet done; under mutex_
    std::int64_t jumpBy_ = 0;             // under mutex_
    bool ended_ = false;                  // under mutex_
    const char* speedLimit_ = "";         // "max" or "min" after a key beyond the limit; under mutex_
    std::atomic<std::int64_t> newestStatusNs_{kNoStatus};  // recorded time of the newest status played
    std::atomic<std::uint64_t> damaged_{0};                 // damaged rows skipped, as last seen
    std::atomic<std::uint64_t> played_{0};
    std::function<void(std::int64_t, const record::Frames&)> statusPlayed_;
    std::function<void(std::int64_t, std::size_t, const record::Frames&)> fleetStatusPlayed_;
};

}  // namespace kova
