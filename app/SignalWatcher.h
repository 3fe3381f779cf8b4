#pragma once

#include <signal.h>

#include <functional>
#include <thread>

namespace kova {

// Takes SIGINT, SIGTERM, SIGHUP and SIGQUIT on one thread of its own, so that ending the console from outside
// runs the normal shut-down path (threads joined, terminal handed back, operation log closed)
// instead of killing the process mid-draw. SIGWINCH is taken there too, so a resized terminal is
// redrawn at once rather than at the next key press.
class SignalWatcher {
public:
    // Blocks the watched signals in the calling thread; every thread started afterwards inherits the
    // mask, so only the watcher ever receives them. Call before any other thread starts.
    static void blockSignals();

    // Starts the watcher. `onStop` runs on the watcher's thread for the first ending signal,
    // `onResize` for every SIGWINCH before that.
    SignalWatcher(std::function<void()> onStop, std::function<void()> onResize);
    // Stops the watcher if no signal came, and joins it.
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    static sigset_t watchedSet();
    void watch();

    std::function<void()> onStop_;
    std::function<void()> onResize_;
    std::thread thread_;
};

}  // namespace kova
