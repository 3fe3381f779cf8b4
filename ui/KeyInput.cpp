#include "ui/KeyInput.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace kova {

namespace {
// Without a wake pipe (none could be made), the wait looks at the wake flag this often.
constexpr int kWakeCheckMs = 200;
}  // namespace

KeyInput::KeyInput() {
    if (pipe2(wakePipe_, O_CLOEXEC) != 0) {
        wakePipe_[0] = wakePipe_[1] = -1;
    }
}

KeyInput::~KeyInput() {
    for (int fd : wakePipe_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void KeyInput::attach() {
    if (pad_ != nullptr) {
        return;
    }
    pad_ = newpad(1, 1);
    if (pad_ != nullptr) {
        keypad(pad_, TRUE);
        nodelay(pad_, TRUE);
    }
}

void KeyInput::detach() {
    if (pad_ != nullptr) {
        delwin(pad_);
        pad_ = nullptr;
    }
}

void KeyInput::wake() {
    woken_ = true;
    if (wakePipe_[1] >= 0) {
        const char byte = 'x';
        while (::write(wakePipe_[1], &byte, 1) < 0 && errno == EINTR) {
        }
    }
}

bool KeyInput::wait() {
    return poll(true, -1) > 0;
}

bool KeyInput::pause(long ms) {
    return poll(false, ms) == 0;
}

int KeyInput::poll(bool withKeyboard, long timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // A negative descriptor is skipped by poll(): once the keyboard is gone only the wake is awaited.
    pollfd fds[2] = {{withKeyboard && !keyboardGone_ ? STDIN_FILENO : -1, POLLIN, 0},
                     {wakePipe_[0], POLLIN, 0}};
    while (!woken_) {
        long waitMs = -1;
        if (timeoutMs >= 0) {
            waitMs = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (waitMs <= 0) {
                return 0;
            }
        }
        if (wakePipe_[0] < 0 && (waitMs < 0 || waitMs > kWakeCheckMs)) {
            waitMs = kWakeCheckMs;  // no pipe: look at the wake flag now and then
        }
        const int ready = ::poll(fds, 2, static_cast<int>(waitMs));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;  // cannot wait at all: give up rather than spin
        }
        if (ready == 0) {
            continue;
        }
        if (fds[1].revents != 0) {
            return -1;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            keyboardGone_ = true;  // never spin on a dead descriptor
            fds[0].fd = -1;
            continue;
        }
        if (fds[0].revents & POLLIN) {
            afterWait_ = true;
            return 1;
        }
    }
    return -1;
}

void KeyInput::read(std::vector<int>& keys) {
    const std::size_t before = keys.size();
    if (pad_ != nullptr) {
        for (int key = wgetch(pad_); key != ERR; key = wgetch(pad_)) {
            keys.push_back(key);
        }
    }
    if (afterWait_ && keys.size() == before) {
        // Readable, yet nothing to read: standard input is at its end (a file or /dev/null).
        keyboardGone_ = true;
    }
    afterWait_ = false;
}

}  // namespace kova
