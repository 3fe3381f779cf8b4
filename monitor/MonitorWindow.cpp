#include "monitor/MonitorWindow.h"

#include "config/Configuration.h"
#include "net/Endpoint.h"
#include "net/Multipart.h"
#include "ui/Screen.h"

namespace kova {

namespace {
constexpr const char* kConsoleVersion = "0.6";
}

MonitorWindow::MonitorWindow() {
    try {
        socket_ = SocketHolder(zmq::socket_type::sub);
    } catch (const zmq::error_t& e) {
        startError_ = std::string("Network status: zmq error, ") + e.what();
    }
}

MonitorWindow::~MonitorWindow() {
    socket_.close();
}

void MonitorWindow::create(int cols, int top, int height, ConsoleApp* owner) {
    firstConnection(controllerName, controllerHost, controllerPort);
    {
        ScreenLock lock;
        createFrame(cols, top, height, owner);
        if (titleWin != nullptr) {
            const std::string title = std::string("monitor:   system_name<106>  -= kovaConsoleOHV v") +
                                      kConsoleVersion + " (" + controllerName + ":" + controllerHost +
                                      ") =-    version<101> release<102>";
            waddnstr(titleWin, title.data(), static_cast<int>(title.size()));
        }
    }
    if (!startError_.empty()) {
        return;
    }
    const std::string endpoint = controllerEndpoint(kStatusPortOffset);
    try {
        socket_.socket().set(zmq::sockopt::subscribe, "");
        socket_.socket().connect(endpoint);
    } catch (const zmq::error_t& e) {
        startError_ = "Network status: zmq error, " + std::string(e.what()) + " (" + endpoint + ")";
        socket_.close();
    }
}

void MonitorWindow::receiveLoop() {
    if (!socket_.isOpen()) {
        return;
    }
    zmq::multipart_t message;
    while (running) {
        try {
            receiveMultipart(socket_.socket(), message);
        } catch (const zmq::error_t& e) {
            if (e.num() == ETERM) {
                return;
            }
            throw;
        }
    }
}

void MonitorWindow::drawStatus(Poco::Timer& /*timer*/) {
    ScreenLock lock;
    curs_set(0);
    paint();
}

}  // namespace kova
