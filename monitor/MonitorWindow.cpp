#include "monitor/MonitorWindow.h"

#include "base/Version.h"
#include "monitor/StatusRows.h"
#include "net/Context.h"
#include "net/Endpoint.h"
#include "ui/Screen.h"

namespace kova {

MonitorWindow::MonitorWindow() = default;

MonitorWindow::~MonitorWindow() = default;

void MonitorWindow::create(int cols, int top, int height, const ControllerAddress& controller) {
    controller_ = controller;
    {
        ScreenLock lock;
        createFrame(cols, top, height);
    }
    subscription_ = std::make_unique<Subscription>(messagingContext(), controller.endpoint(kStatusPortOffset),
                                                   "Network status");
    startError_ = subscription_->startError();
}

void MonitorWindow::prepareBody() {
    // Items running past the last row are cut there, never scrolled up.
    scrollok(bodyWin, FALSE);
}

void MonitorWindow::writeCaption(int /*cols*/) {
    const std::string title = std::string("monitor:   system_name<106>  -= kovaConsoleOHV v") +
                              kConsoleVersion + " (" + controller_.name + ":" + controller_.host +
                              ") =-    version<101> release<102>";
    // The host comes from conf.json: written as data, cut at the right edge.
    mvwaddnstr(titleWin, 0, 0, title.data(), static_cast<int>(title.size()));
}

void MonitorWindow::receiveLoop() {
    if (!subscription_) {
        return;
    }
    subscription_->run(
        running, [this](zmq::multipart_t& message) { storeStatusMessage(message, status_); },
        [this](const std::string& text) {
            if (reportError_) {
                reportError_(text);
            }
        });
}

void MonitorWindow::drawStatus(Poco::Timer& /*timer*/) {
    // Copy under the record's lock, format with no lock held, draw under the screen's.
    const std::vector<StatusItem> items = formatStatusItems(status_.snapshot());
    ScreenLock lock;
    if (bodyWin == nullptr) {
        return;
    }
    curs_set(0);
    werase(bodyWin);
    for (const StatusItem& item : items) {
        // Written as data; an item starting past the right edge draws nothing, one running past it
        // wraps onto the next row, and on the last row the rest is dropped.
        mvwaddnstr(bodyWin, item.row, item.col, item.text.data(), static_cast<int>(item.text.size()));
    }
    curs_set(0);
    paint();
}

}  // namespace kova
