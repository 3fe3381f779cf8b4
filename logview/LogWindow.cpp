#include "logview/LogWindow.h"

#include <algorithm>

#include "base/TextCells.h"
#include "logview/LogLayout.h"
#include "net/Context.h"
#include "protocol/Endpoints.h"
#include "ui/Screen.h"

namespace kova {

namespace {

// Writes laid-out rows from body row `top` down, the marked bytes in reverse video. Scrolling is off
// meanwhile: every row fits the width, so a row that ends in the last cell must not scroll the body.
void writeRows(WINDOW* body, int top, const std::vector<std::string>& rows,
               const std::vector<LogBlock::Mark>& marks = {}) {
    scrollok(body, FALSE);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        mvwaddnstr(body, top + static_cast<int>(i), 0, rows[i].data(), static_cast<int>(rows[i].size()));
    }
    // A row holds only what the screen shows as it stands, so its columns are its display widths.
    for (const LogBlock::Mark& mark : marks) {
        const std::string& row = rows[static_cast<std::size_t>(mark.row)];
        const int column = displayWidth(std::string_view(row).substr(0, mark.begin));
        const int width = displayWidth(std::string_view(row).substr(mark.begin, mark.end - mark.begin));
        mvwchgat(body, top + mark.row, column, width, A_REVERSE, 0, nullptr);
    }
    scrollok(body, TRUE);
}

}  // namespace

std::string logCutText(const MessageCut& cut, std::uint64_t framesInAll) {
    return "Network log: message over " + std::to_string(kLogLimits.frames) + " lines/1 MiB, " +
           std::to_string(cut.frames) + " lines (" + std::to_string(cut.bytes) + " bytes) dropped, " +
           std::to_string(framesInAll) + " in all";
}

LogWindow::LogWindow() = default;

LogWindow::~LogWindow() = default;

void LogWindow::create(int cols, int top, int height) {
    ScreenLock lock;
    createFrame(cols, top, height);
}

std::string LogWindow::attach(const ControllerAddress& controller, const std::string& fileName, bool fresh) {
    auto subscription = std::make_unique<Subscription>(
        messagingContext(), controller.endpoint(protocol::kLogPortOffset), "Network log", kLogLimits);
    subscription->onCut([this](const MessageCut& cut) {
        // On screen and in the controller's log file, so a reader of either knows lines are missing.
        droppedFrames_ += cut.frames;  // the log thread's
        const std::string text = logCutText(cut, droppedFrames_);
        file_.write(print(text), text);
    });
    std::string error = subscription->startError();
    if (fresh) {
        startOver();
    }
    std::lock_guard<std::mutex> lock(attachMutex_);
    next_ = std::move(subscription);
    nextFile_ = fileName;
    receiving_ = false;
    attachChanged_.notify_all();
    return error;
}

void LogWindow::startOver() {
    ScreenLock lock;
    lineCounter_ = 0;
    history_ = LogHistory();
    backRows_ = 0;
    newWhileBack_ = 0;
    below_.reset();
    help_ = nullptr;
    // The search and the filter stay, over the new lines.
    matches_.clear();
    filtered_.clear();
    if (bodyWin != nullptr) {
        werase(bodyWin);
    }
    refreshTitle();
    refresh(bodyWin);
}

void LogWindow::replayLine(std::int64_t number, const std::string& line) {
    ScreenLock lock;
    lineCounter_ = number;
    addLine(line, false);
}

void LogWindow::detach() {
    std::lock_guard<std::mutex> lock(attachMutex_);
    next_.reset();
    receiving_ = false;
    attachChanged_.notify_all();
}

void LogWindow::requestStop() {
    stop();
    std::lock_guard<std::mutex> lock(attachMutex_);
    receiving_ = false;
    attachChanged_.notify_all();
}

void LogWindow::prepareBody() {
    scrollok(bodyWin, TRUE);
}

void LogWindow::writeCaption(int cols) {
    std::string caption = "Log:<2041>" + findCaption();
    if (backRows_ > 0) {
        caption += "  scrolled back " + std::to_string(linesBelowView()) + " lines, " +
                   std::to_string(newWhileBack_) + " new (PgDn/Esc: live)";
    }
    // Up to the maker's name, never through a character.
    std::size_t room = static_cast<std::size_t>(std::max(10, cols - 18));
    if (caption.size() > room) {
        while (room > 0 && (static_cast<unsigned char>(caption[room]) & 0xC0) == 0x80) {
            --room;
        }
        caption.resize(room);
    }
    mvwaddnstr(titleWin, 0, 0, caption.data(), static_cast<int>(caption.size()));
    mvwaddstr(titleWin, 0, cols - 17, "TVX Co., Ltd.");
}

void LogWindow::refreshTitle() {
    rewriteTitle();
    refresh(titleWin);
}

std::size_t LogWindow::historyRows() const {
    std::size_t rows = 0;
    for (const LogEntry& entry : shown()) {
        rows += static_cast<std::size_t>(
            layoutLogLine(entry.number, entry.text, getmaxy(bodyWin), getmaxx(bodyWin)).height);
    }
    return rows;
}

std::size_t LogWindow::linesBelowView() {
    const int bodyRows = getmaxy(bodyWin);
    const int bodyCols = getmaxx(bodyWin);
    if (below_ && below_->rows == bodyRows && below_->cols == bodyCols) {
        return below_->lines;
    }
    std::size_t rows = 0;
    std::size_t lines = 0;
    const auto& entries = shown();
    for (auto it = entries.rbegin(); it != entries.rend() && rows < backRows_; ++it, ++lines) {
        rows += static_cast<std::size_t>(layoutLogLine(it->number, it->text, bodyRows, bodyCols).height);
    }
    below_ = BelowView{bodyRows, bodyCols, lines};
    return lines;
}

std::size_t LogWindow::scrolledBackRows() {
    ScreenLock lock;
    return backRows_;
}

bool LogWindow::takeKey(int key) {
    ScreenLock lock;
    const bool helpShown = static_cast<bool>(help_);
    help_ = nullptr;
    if (key == kOlderMatchKey || key == kNewerMatchKey) {
        if (find_ && bodyWin != nullptr) {
            if (!(key == kOlderMatchKey ? matches_.older() : matches_.newer())) {
                beep();  // no match further that way
            }
            showMatch();
        } else if (helpShown) {
            repaintLog();
        }
        return true;
    }
    if (key == 27 && backRows_ == 0 && find_) {
        find_.reset();  // Esc while live ends the search and its highlight
        matches_.clear();
        if (bodyWin != nullptr) {
            repaintLog();
        }
        return true;
    }
    const bool taken = key == KEY_PPAGE || key == KEY_NPAGE || key == 27;
    if (bodyWin != nullptr && taken) {
        const std::size_t page = static_cast<std::size_t>(std::max(1, getmaxy(bodyWin)));
        const std::size_t was = backRows_;
        if (key == KEY_PPAGE) {
            const std::size_t total = historyRows();
            const std::size_t most = total > page ? total - page : 0;
            backRows_ = std::min(backRows_ + page, most);
        } else {
            backRows_ = key == KEY_NPAGE && backRows_ > page ? backRows_ - page : 0;
        }
        if (backRows_ == 0) {
            newWhileBack_ = 0;
        }
        if (backRows_ != was) {
            below_.reset();
        }
        if (backRows_ != was || helpShown) {
            redrawBody();
            refreshTitle();
            refresh(bodyWin);
            parkCursor();
        }
        return true;
    }
    if (helpShown && bodyWin != nullptr) {
        redrawBody();
        refresh(bodyWin);
        parkCursor();
    }
    return taken;
}

void LogWindow::showInBody(std::function<std::vector<std::string>(int rows, int cols)> rowsFor,
                           std::function<bool(std::size_t row)> alertRow) {
    ScreenLock lock;
    help_ = std::move(rowsFor);
    helpAlert_ = std::move(alertRow);
    if (!help_ || bodyWin == nullptr) {
        return;
    }
    redrawBody();
    refresh(bodyWin);
    parkCursor();
}

void LogWindow::receiveLoop() {
    while (running) {
        std::unique_ptr<Subscription> subscription;
        std::string fileName;
        {
            std::unique_lock<std::mutex> lock(attachMutex_);
            attachChanged_.wait(lock, [this] { return next_ != nullptr || !running; });
            if (!running) {
                break;
            }
            subscription = std::move(next_);
            fileName = nextFile_;
            receiving_ = true;
        }
        const std::string fileError = file_.open(fileName);
        if (!fileError.empty()) {
            print(fileError);
        }
        // Until stopped, or another attach or a detach clears `receiving_`.
        subscription->run(
            receiving_,
            [this](zmq::multipart_t& message) {
                // Every frame is one line, in order; none once another stream has taken over.
                while (!message.empty() && receiving_) {
                    receiveLine(message.popstr());
                }
            },
            [this](const std::string& text) { print(text); }, [this] { flushScreen(); });
        flushScreen();
        file_.flush();
    }
}

void LogWindow::receiveLine(const std::string& line) {
    std::int64_t number = 0;
    {
        ScreenLock lock;
        number = addLine(line, false);
    }
    file_.write(number, line);
    if (tap_) {
        tap_(number, line);
    }
}

void LogWindow::flushScreen() {
    ScreenLock lock;
    if (unrefreshed_ && bodyWin != nullptr) {
        if (titleStale_) {
            titleStale_ = false;
            refreshTitle();
        }
        refresh(bodyWin);
        parkCursor();
        unrefreshed_ = false;
        lastRefresh_ = std::chrono::steady_clock::now();
    }
}

std::int64_t LogWindow::print(std::string text) {
    ScreenLock lock;
    return addLine(text, true);
}

std::int64_t LogWindow::addLine(const std::string& text, bool refreshNow) {
    const std::int64_t number = lineCounter_++;
    history_.append(number, text);
    const bool shownLine = followLine(history_.entries().back());
    if (bodyWin == nullptr) {
        return number;
    }
    if (!shownLine) {
        settle(refreshNow);  // the filter's count in the title
        return number;
    }
    // Placed in the part of the body that is on screen now, which a smaller terminal cuts.
    const int rows = getmaxy(bodyWin);
    const LogBlock block = layoutLogLine(number, text, rows, getmaxx(bodyWin), spansOf(text));
    if (backRows_ > 0) {
        // Scrolled back: the view stays where the operator put it, and the title counts what came.
        // The new line lies below the view, just as every line counted before it still does.
        backRows_ += static_cast<std::size_t>(block.height);
        ++newWhileBack_;
        if (below_) {
            below_->lines = std::min(below_->lines + 1, shown().size());
        }
        // The count in the title goes out with the next refresh, not for every line of a burst.
        titleStale_ = true;
        settle(refreshNow);
        return number;
    }
    if (help_) {
        return number;  // drawn when the help goes
    }
    wscrl(bodyWin, block.height);
    writeRows(bodyWin, rows - block.height, block.rows, block.marks);
    settle(refreshNow);
    return number;
}

void LogWindow::settle(bool refreshNow) {
    const auto now = std::chrono::steady_clock::now();
    if (refreshNow || now - lastRefresh_ >= std::chrono::milliseconds(kBurstRefreshMs)) {
        if (titleStale_) {
            titleStale_ = false;
            refreshTitle();
        }
        refresh(bodyWin);
        parkCursor();
        lastRefresh_ = now;
        unrefreshed_ = false;
    } else {
        unrefreshed_ = true;
    }
}

void LogWindow::redrawBody() {
    if (bodyWin == nullptr) {
        return;
    }
    werase(bodyWin);
    if (help_) {
        std::vector<std::string> rows = help_(getmaxy(bodyWin), getmaxx(bodyWin));
        rows.resize(std::min(rows.size(), static_cast<std::size_t>(getmaxy(bodyWin))));
        for (std::string& row : rows) {
            row.resize(std::min(row.size(), static_cast<std::size_t>(getmaxx(bodyWin))));
        }
        writeRows(bodyWin, 0, rows);
        for (std::size_t i = 0; helpAlert_ && i < rows.size(); ++i) {
            if (helpAlert_(i)) {
                mvwchgat(bodyWin, static_cast<int>(i), 0, -1, A_BOLD, kAlertPair, nullptr);
            }
        }
        return;
    }
    const LogBody body = renderMarkedLogBody(shown(), getmaxy(bodyWin), getmaxx(bodyWin), backRows_,
                                             [this](const std::string& text) { return spansOf(text); });
    writeRows(bodyWin, 0, body.rows, body.marks);
}

}  // namespace kova
