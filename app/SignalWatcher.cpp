#include "app/SignalWatcher.h"

#include <pthread.h>

namespace kova {

namespace {
// Sent by the destructor to end the watch when the run ended without a signal.
constexpr int kQuitSignal = SIGUSR2;
}  // namespace

sigset_t SignalWatcher::watchedSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGQUIT);
    sigaddset(&set, SIGWINCH);
    sigaddset(&set, kQuitSignal);
    return set;
}

void SignalWatcher::blockSignals() {
    const sigset_t set = watchedSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(std::function<void()> onStop, std::function<void()> onResize)
    : onStop_(std::move(onStop)), onResize_(std::move(onResize)), thread_([this] { watch(); }) {}

SignalWatcher::~SignalWatcher() {
    pthread_kill(thread_.native_handle(), kQuitSignal);
    thread_.join();
}

void SignalWatcher::watch() {
    const sigset_t set = watchedSet();
    bool handled = false;
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) {
            continue;
        }
        if (signal == kQuitSignal) {
            return;
        }
        if (handled) {
            continue;
        }
        if (signal == SIGWINCH) {
            onResize_();
        } else {
            handled = true;
            onStop_();
        }
    }
}

}  // namespace kova
