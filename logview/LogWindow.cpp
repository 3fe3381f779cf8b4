#include "logview/LogWindow.h"

#include "logview/LogLayout.h"
#include "net/Endpoint.h"
#include "net/Multipart.h"
#include "ui/Screen.h"

namespace kova {

LogWindow::LogWindow() {
    try {
        socket_ = SocketHolder(zmq::socket_type::sub);
    } catch (const zmq::error_t& e) {
        startError_ = std::string("Network log: zmq error, ") + e.what();
    }
}

LogWindow::~LogWindow() {
    socket_.close();
}

void LogWindow::create(int cols, int top, int height, ConsoleApp* owner) {
    {
        ScreenLock lock;
        createFrame(cols, top, height, owner);
        if (bodyWin != nullptr) {
            scrollok(bodyWin, TRUE);
        }
    }
    if (!startError_.empty()) {
        return;
    }
    const std::string endpoint = controllerEndpoint(kLogPortOffset);
    try {
        socket_.socket().connect(endpoint);
        socket_.socket().set(zmq::sockopt::subscribe, "");
    } catch (const zmq::error_t& e) {
        startError_ = "Network log: zmq error, " + std::string(e.what()) + " (" + endpoint + ")";
        socket_.close();
    }
}

void LogWindow::writeCaption(int cols) {
    mvwaddstr(titleWin, 0, 0, "Log:<2041>");
    mvwaddstr(titleWin, 0, cols - 17, "TVX Co., Ltd.");
}

void LogWindow::receiveLoop() {
    if (!socket_.isOpen()) {
        return;
    }
    std::string text;
    while (running) {
        try {
            if (receiveFrameText(socket_.socket(), text)) {
                print(text);
            }
        } catch (const zmq::error_t& e) {
            if (e.num() == ETERM) {
                return;  // the console is shutting down
            }
            throw;
        }
    }
}

void LogWindow::print(std::string text) {
    ScreenLock lock;
    const std::uint32_t number = lineCounter_++;
    if (bodyWin == nullptr) {
        return;
    }
    const LogLinePlacement placement = placeLogLine(number, text, bodyRows, getmaxx(bodyWin));
    wscrl(bodyWin, placement.scrollRows);
    // Scrolling is off while the line is written, so a line that needs more room than planned (a
    // control byte shows as two cells) is cut at the body's last cell instead of scrolling it away.
    scrollok(bodyWin, FALSE);
    mvwaddnstr(bodyWin, placement.startRow, 0, placement.text.data(),
               static_cast<int>(placement.text.size()));
    scrollok(bodyWin, TRUE);
    wrefresh(bodyWin);
    parkCursor();
}

}  // namespace kova
