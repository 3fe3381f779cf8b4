#include "command/CommandWindow.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include <Poco/Thread.h>

#include "ui/Screen.h"

namespace kova {

namespace {

constexpr int kOutputColumn = 10;
constexpr int kWebAddressFromRight = 28;
constexpr const char* kWebAddress = "https://tvx.example.com";
constexpr const char* kReplyPadding = "          ";  // ten blanks
constexpr int kStopCheckMs = 200;

}  // namespace

CommandWindow::CommandWindow() {
    if (pipe(wakePipe_) != 0) {
        wakePipe_[0] = wakePipe_[1] = -1;
    }
}

CommandWindow::~CommandWindow() {
    for (int fd : wakePipe_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void CommandWindow::create(int cols, int top, int height, ConsoleApp* owner) {
    ScreenLock lock;
    createFrame(cols, top, height, owner);
    if (bodyWin != nullptr) {
        keypad(bodyWin, TRUE);
    }
    // The line editor draws what is typed itself, so curses' own echo stays off.
}

void CommandWindow::writeCaption(int cols) {
    mvwaddstr(titleWin, 0, 0, "Command:");
    mvwaddstr(titleWin, 0, cols - kWebAddressFromRight, kWebAddress);
}

void CommandWindow::requestStop() {
    stop();
    if (wakePipe_[1] >= 0) {
        const char byte = 'x';
        while (::write(wakePipe_[1], &byte, 1) < 0 && errno == EINTR) {
        }
    }
}

void CommandWindow::showText(std::string text) {
    ScreenLock lock;
    if (titleWin != nullptr) {
        mvwaddnstr(titleWin, 0, kOutputColumn, text.data(), static_cast<int>(text.size()));
    }
}

void CommandWindow::showReply(std::string text) {
    showText(text + kReplyPadding);
}

void CommandWindow::inputLoop() {
    std::string line;
    while (running) {
        if (!readLine(line)) {
            break;
        }
        executeCommand(line);
        ScreenLock lock;
        if (bodyWin != nullptr) {
            werase(bodyWin);
        }
        curs_set(1);
        paint();
    }
    ScreenLock lock;
    clearInputCursor();
}

bool CommandWindow::readLine(std::string& line) {
    {
        ScreenLock lock;
        renderInput();
    }
    while (running) {
        if (!waitForKey()) {
            return false;
        }
        ScreenLock lock;
        if (bodyWin == nullptr) {
            return false;
        }
        nodelay(bodyWin, TRUE);
        bool submitted = false;
        int key = wgetch(bodyWin);
        if (key == ERR) {
            // Readable yet nothing to read: standard input is at its end (a file or /dev/null).
            // From now on only the stop is awaited, instead of spinning on the descriptor.
            keyboardGone_ = true;
        }
        for (; key != ERR; key = wgetch(bodyWin)) {
            const LineEditor::Result result = editor_.feed(key);
            if (result == LineEditor::Result::Refused) {
                beep();
            } else if (result == LineEditor::Result::Submitted) {
                submitted = true;
                break;  // keys typed ahead stay queued for the next line
            }
        }
        if (submitted) {
            line = editor_.takeLine();
            clearInputCursor();
            curs_set(1);
            return true;
        }
        renderInput();
    }
    return false;
}

void CommandWindow::renderInput() {
    if (bodyWin == nullptr) {
        return;
    }
    const std::string& text = editor_.text();
    wmove(bodyWin, 0, 0);
    // Written byte by byte so that the cursor position is where curses put it, whatever width a
    // byte takes on screen.
    int cursorRow = 0;
    int cursorCol = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == editor_.cursor()) {
            getyx(bodyWin, cursorRow, cursorCol);
        }
        if (i < text.size() && waddch(bodyWin, static_cast<unsigned char>(text[i])) == ERR) {
            break;
        }
    }
    wclrtobot(bodyWin);
    setInputCursor(bodyWin, cursorRow, cursorCol);
    curs_set(1);
    wmove(bodyWin, cursorRow, cursorCol);
    wrefresh(bodyWin);
}

bool CommandWindow::waitForKey() {
    // A negative descriptor is skipped by poll(): once the terminal is gone only the stop is awaited.
    pollfd fds[2] = {{keyboardGone_ ? -1 : STDIN_FILENO, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    // Without a wake pipe (none could be made) the stop is noticed by looking at the flag now and then.
    const int timeoutMs = wakePipe_[0] < 0 ? kStopCheckMs : -1;
    while (running) {
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready == 0) {
            continue;
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[1].revents != 0) {
            return false;  // woken to stop
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // The terminal is gone: never spin on a dead descriptor.
            keyboardGone_ = true;
            fds[0].fd = -1;
            continue;
        }
        if (fds[0].revents & POLLIN) {
            return true;
        }
    }
    return false;
}

}  // namespace kova
