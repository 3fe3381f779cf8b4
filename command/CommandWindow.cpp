#include "command/CommandWindow.h"

#include <optional>

#include "command/CommandGuide.h"
#include "command/CommandLanguage.h"
#include "command/ObjectGuide.h"
#include "protocol/Endpoints.h"
#include "ui/Screen.h"

namespace kova {

namespace {

constexpr int kOutputColumn = 10;
constexpr int kWebAddressFromRight = 28;
constexpr const char* kWebAddress = "https://tvx.example.com";
constexpr const char* kReplyPadding = "          ";  // ten blanks

}  // namespace

CommandWindow::CommandWindow() = default;

CommandWindow::~CommandWindow() = default;

void CommandWindow::create(int cols, int top, int height, const ControllerAddress& controller) {
    runner_.exchange().setEndpoint(controller.endpoint(protocol::kRequestPortOffset));
    ScreenLock lock;
    cols_ = cols;
    createFrame(cols, top, height);
    // The line editor draws what is typed itself, so curses' own echo stays off.
}

void CommandWindow::attach(const ControllerAddress& controller) {
    runner_.exchange().setEndpoint(controller.endpoint(protocol::kRequestPortOffset));
    ScreenLock lock;
    editor_.replace("");
    pending_.clear();
    setOutput("");
    if (bodyWin != nullptr) {
        werase(bodyWin);
    }
}

void CommandWindow::executeCommand(std::string line) {
    if (local_ && local_(line)) {
        return;
    }
    runner_.run(
        line,
        [this](const std::string& text, CommandRunner::Output kind) {
            if (kind == CommandRunner::Output::Help) {
                if (help_) {
                    help_();
                }
            } else if (kind == CommandRunner::Output::Objects) {
                if (objects_) {
                    objects_(objectListing());
                }
            } else if (kind == CommandRunner::Output::Fleet) {
                fleet_ ? fleet_() : showText(text);
            } else if (kind == CommandRunner::Output::Find || kind == CommandRunner::Output::Filter) {
                const auto& carry = kind == CommandRunner::Output::Find ? find_ : filter_;
                showText(carry ? carry(text) : kWrongCommandText);
            } else if (kind == CommandRunner::Output::Reply) {
                showReply(text);
            } else {
                showText(text);
            }
        },
        [this](long ms) { return keys_.pause(ms) && running; });
}

void CommandWindow::writeCaption(int cols) {
    mvwaddstr(titleWin, 0, 0, "Command:");
    mvwaddstr(titleWin, 0, cols - kWebAddressFromRight, kWebAddress);
    if (!output_.empty()) {
        writeOutput();
    }
}

void CommandWindow::writeOutput() {
    if (titleWin == nullptr) {
        return;
    }
    // The whole field goes first, so no tail of a longer earlier output survives; a long output may
    // still run over the address, which the next output writes again.
    wmove(titleWin, 0, kOutputColumn);
    wclrtoeol(titleWin);
    mvwaddstr(titleWin, 0, cols_ - kWebAddressFromRight, kWebAddress);
    mvwaddnstr(titleWin, 0, kOutputColumn, output_.data(), static_cast<int>(output_.size()));
}

void CommandWindow::setShown(bool shown) {
    CursesWindow::setShown(shown);
    if (!shown) {
        clearInputCursor();
        curs_set(0);
    } else if (bodyWin != nullptr) {
        renderInput();
    }
}

void CommandWindow::requestStop() {
    stop();
    keys_.wake();
}

void CommandWindow::showText(std::string text) {
    ScreenLock lock;
    setOutput(std::move(text));
}

void CommandWindow::setOutput(std::string text) {
    output_ = std::move(text);
    tooSmallShown_ = false;
    writeOutput();
}

void CommandWindow::showReply(std::string text) {
    showText(text + kReplyPadding);
}

std::string CommandWindow::tooSmallText() const {
    return "terminal too small: the command line needs " + std::to_string(kRowsNeeded) +
           " rows, this one has " + std::to_string(LINES);
}

void CommandWindow::inputLoop() {
    {
        ScreenLock lock;
        keys_.attach();
    }
    std::string line;
    while (running && readLine(line)) {
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
    keys_.detach();
}

bool CommandWindow::readLine(std::string& line) {
    while (running) {
        std::optional<std::string> notice;
        {
            ScreenLock lock;
            if (takeLine(line)) {
                clearInputCursor();
                curs_set(1);
                return true;
            }
            if (bodyWin != nullptr) {
                renderInput();
            } else if (noticedLines_ != LINES) {
                // Said once per terminal size: in the output field when the title line is on screen,
                // else in the log window.
                noticedLines_ = LINES;
                if (titleWin != nullptr) {
                    setOutput(tooSmallText());
                    tooSmallShown_ = true;
                    refresh(titleWin);
                } else {
                    notice = tooSmallText();
                }
            }
        }
        if (notice && notice_) {
            notice_(*notice);
        }
        if (!keys_.wait()) {
            return false;
        }
        std::vector<int> keys;
        bool lineEmpty = true;
        {
            ScreenLock lock;
            keys_.read(keys);
            lineEmpty = editor_.text().empty() && pending_.empty();
        }
        // Outside the lock: the hook draws (the log window takes its scroll keys).
        std::vector<int> forLine;
        for (const int key : keys) {
            if (!(keyHook_ && keyHook_(key, lineEmpty))) {
                forLine.push_back(key);
                if (key == '\n' || key == '\r' || key == KEY_ENTER) {
                    lineEmpty = true;
                } else if ((key >= 0x20 && key < 0x7f) || (key >= 0x80 && key <= 0xff)) {
                    lineEmpty = false;  // typed text; other keys (a resize, a cursor key) type nothing
                }
            }
        }
        ScreenLock lock;
        pending_.insert(pending_.end(), forLine.begin(), forLine.end());
    }
    return false;
}

bool CommandWindow::takeLine(std::string& line) {
    if (bodyWin == nullptr) {
        // Nowhere to show what is typed: the keys are refused, and the notice is given again.
        if (!pending_.empty()) {
            pending_.clear();
            beep();
        }
        return false;
    }
    noticedLines_ = -1;
    while (!pending_.empty()) {
        const int key = pending_.front();
        pending_.pop_front();
        if (key == '\t') {
            complete();
            continue;
        }
        lastKeyWasTab_ = false;
        const LineEditor::Result result = editor_.feed(key);
        if (result == LineEditor::Result::Refused) {
            beep();
        } else if (result == LineEditor::Result::Submitted) {
            line = editor_.takeLine();
            return true;  // keys typed ahead stay for the next line
        }
    }
    return false;
}

void CommandWindow::complete() {
    const bool again = lastKeyWasTab_;
    lastKeyWasTab_ = true;
    if (editor_.cursor() != editor_.text().size()) {
        beep();  // completes the end of the line only
        return;
    }
    const Completion completion = completeCommand(editor_.text(), static_cast<bool>(fleet_));
    if (completion.line != editor_.text()) {
        editor_.replace(completion.line);
        if (completion.candidates.size() == 1 && completion.candidates[0].find(' ') != std::string::npos) {
            setOutput(completion.candidates[0]);  // an object's index and name
            if (titleWin != nullptr) {
                refresh(titleWin);
            }
        }
    } else if (completion.candidates.empty()) {
        beep();
    } else if (again && completion.candidates.size() > 1) {
        std::string listed;
        for (const std::string& candidate : completion.candidates) {
            listed += (listed.empty() ? "" : "  ") + candidate;
        }
        setOutput(listed);
        if (titleWin != nullptr) {
            refresh(titleWin);
        }
    }
}

void CommandWindow::redrawBody() {
    if (bodyWin == nullptr) {
        return;
    }
    if (tooSmallShown_ && LINES >= kRowsNeeded) {
        // Large enough at last: the notice has served its purpose.
        output_.clear();
        tooSmallShown_ = false;
        writeOutput();
    }
    renderInput();
}

std::optional<std::string> CommandWindow::sizeNotice() {
    if (LINES >= kRowsNeeded || !shown()) {
        return std::nullopt;
    }
    if (titleWin != nullptr && getbegy(titleWin) < LINES) {
        setOutput(tooSmallText());
        tooSmallShown_ = true;
        refresh(titleWin);
        return std::nullopt;
    }
    if (noticedLines_ == LINES) {
        return std::nullopt;
    }
    noticedLines_ = LINES;
    return tooSmallText();
}

void CommandWindow::renderInput() {
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
    refresh(bodyWin);
}

}  // namespace kova
