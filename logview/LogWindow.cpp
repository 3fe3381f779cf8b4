#include "logview/LogWindow.h"

#include "logview/LogLayout.h"
#include "net/Context.h"
#include "net/Endpoint.h"
#include "ui/Screen.h"

namespace kova {

namespace {

// Writes laid-out rows from body row `top` down. Scrolling is off meanwhile: every row fits the
// width, so a row that ends in the last cell must not scroll the body.
void writeRows(WINDOW* body, int top, const std::vector<std::string>& rows) {
    scrollok(body, FALSE);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        mvwaddnstr(body, top + static_cast<int>(i), 0, rows[i].data(), static_cast<int>(rows[i].size()));
    }
    scrollok(body, TRUE);
}

}  // namespace

LogWindow::LogWindow() = default;

LogWindow::~LogWindow() = default;

void LogWindow::create(int cols, int top, int height, const ControllerAddress& controller) {
    {
        ScreenLock lock;
        createFrame(cols, top, height);
    }
    subscription_ = std::make_unique<Subscription>(messagingContext(), controller.endpoint(kLogPortOffset),
                                                   "Network log");
    startError_ = subscription_->startError();
}

void LogWindow::prepareBody() {
    scrollok(bodyWin, TRUE);
}

void LogWindow::writeCaption(int cols) {
    mvwaddstr(titleWin, 0, 0, "Log:<2041>");
    mvwaddstr(titleWin, 0, cols - 17, "TVX Co., Ltd.");
}

void LogWindow::receiveLoop() {
    if (!subscription_) {
        return;
    }
    subscription_->run(
        running,
        [this](zmq::multipart_t& message) {
            // Every frame is one line, in order.
            while (!message.empty()) {
                const std::string line = message.popstr();
                file_.write(print(line), line);
            }
        },
        [this](const std::string& text) { print(text); });
    file_.flush();
}

std::uint32_t LogWindow::print(std::string text) {
    ScreenLock lock;
    const std::uint32_t number = lineCounter_++;
    history_.append(number, text);
    if (bodyWin == nullptr) {
        return number;
    }
    // Placed in the part of the body that is on screen now, which a smaller terminal cuts.
    const int rows = getmaxy(bodyWin);
    const LogBlock block = layoutLogLine(number, text, rows, getmaxx(bodyWin));
    wscrl(bodyWin, block.height);
    writeRows(bodyWin, rows - block.height, block.rows);
    wrefresh(bodyWin);
    parkCursor();
    return number;
}

void LogWindow::redrawBody() {
    if (bodyWin == nullptr) {
        return;
    }
    werase(bodyWin);
    writeRows(bodyWin, 0, renderLogBody(history_.entries(), getmaxy(bodyWin), getmaxx(bodyWin)));
}

}  // namespace kova
