#pragma once

#include <signal.h>

#include <functional>
#include <thread>

namespace kova {

// Takes SIGINT, SIGTERM, SIGHUP and SIGQUIT on one thread of its own, so that ending the console from
// outside runs the normal shut-down path (threads joined, terminal handed back, operation log closed)
// instead of killing the process mid-draw. SIGWINCH is taken there too, so a resized terminal is
// redrawn at once rather than at the next key press.
//
// The watcher reads the signals from a signalfd and ends only when its owner asks (a byte on its own
// wake pipe): no signal from outside can end the watch and leave the stop signals blocked with
// nobody waiting for them.
class SignalWatcher {
public:
    // Blocks the watched signals in the calling thread; every thread started afterwards inherits the
    // mask, so only the watcher ever receives them. Signals whose default action would end the
    // process without handing the terminal back, and that mean nothing to the console (SIGUSR1,
    // SIGUSR2, SIGPIPE, SIGALRM), are ignored. Call before any other thread starts.
    static void blockSignals();

    // Starts the watcher. `onStop` runs on the watcher's thread for the first ending signal,
    // `onResize` for every SIGWINCH before that. Throws std::system_error when the signalfd, the
    // wake pipe or the thread cannot be made.
    SignalWatcher(std::function<void()> onStop, std::function<void()> onResize);
    // Ends the watch and joins the watcher.
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    static sigset_t watchedSet();
    void watch();

    std::function<void()> onStop_;
    std::function<void()> onResize_;
    int signalFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace kova
