#include "app/SignalWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kova {

namespace {

void closeIfOpen(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

sigset_t SignalWatcher::watchedSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGQUIT);
    sigaddset(&set, SIGWINCH);
    return set;
}

void SignalWatcher::blockSignals() {
    // SIGXFSZ: past a file-size limit (ulimit -f) the write then fails with EFBIG, which the recorder
    // and the logs report, instead of the signal killing the console with the terminal left raw.
    for (int stray : {SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM, SIGXFSZ}) {
        signal(stray, SIG_IGN);
    }
    const sigset_t set = watchedSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(std::function<void()> onStop, std::function<void()> onResize)
    : onStop_(std::move(onStop)), onResize_(std::move(onResize)) {
    const sigset_t set = watchedSet();
    signalFd_ = signalfd(-1, &set, SFD_CLOEXEC);
    if (signalFd_ < 0) {
        throw std::system_error(errno, std::generic_category(), "cannot watch the stop signals");
    }
    if (pipe2(wakePipe_, O_CLOEXEC) != 0) {
        const int error = errno;
        closeIfOpen(signalFd_);
        throw std::system_error(error, std::generic_category(), "cannot watch the stop signals");
    }
    try {
        thread_ = std::thread([this] { watch(); });
    } catch (...) {
        closeIfOpen(signalFd_);
        closeIfOpen(wakePipe_[0]);
        closeIfOpen(wakePipe_[1]);
        throw;
    }
}

SignalWatcher::~SignalWatcher() {
    const char byte = 'q';
    while (::write(wakePipe_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    closeIfOpen(signalFd_);
    closeIfOpen(wakePipe_[0]);
    closeIfOpen(wakePipe_[1]);
}

void SignalWatcher::watch() {
    bool handled = false;
    pollfd fds[2] = {{signalFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // cannot happen with valid descriptors; never spin
        }
        if (fds[1].revents != 0) {
            return;  // the owner ends the watch
        }
        signalfd_siginfo info{};
        if (::read(signalFd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info) || handled) {
            continue;
        }
        if (info.ssi_signo == SIGWINCH) {
            onResize_();
        } else {
            handled = true;
            onStop_();
        }
    }
}

}  // namespace kova
