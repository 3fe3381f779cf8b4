#include "monitor/MonitorWindow.h"

#include <algorithm>
#include <chrono>

#include "base/TextCells.h"
#include "base/Version.h"
#include "monitor/StatusRows.h"
#include "net/Context.h"
#include "protocol/Endpoints.h"
#include "ui/Screen.h"

namespace kova {

std::string monitorTitle(const ControllerAddress& controller, int columns) {
    const std::string title = std::string("monitor:   system_name<106>  -= kovaConsoleOHV v") +
                              kConsoleVersion + " (" + controller.name + ":" + controller.host +
                              ") =-    version<101> release<102>";
    std::string shown;
    std::string piece;
    int width = 0;
    int used = 0;
    for (TextCells cells(title); cells.next(piece, width) && used + width <= columns; used += width) {
        shown += piece;
    }
    return shown;
}

std::string statusCutText(std::uint64_t messages, std::uint64_t frames) {
    return std::to_string(messages) + (messages == 1 ? " msg" : " msgs") + " over " +
           std::to_string(kStatusLimits.frames) + " frames/1 MiB: " + std::to_string(frames) +
           " frames dropped";
}

MonitorWindow::MonitorWindow() = default;

MonitorWindow::~MonitorWindow() = default;

void MonitorWindow::create(int cols, int top, int height) {
    ScreenLock lock;
    createFrame(cols, top, height);
}

void MonitorWindow::show(StatusStore& store, const ControllerAddress& controller) {
    ScreenLock lock;
    shown_ = &store;
    redrawWanted_ = true;
    controller_ = controller;
    link_ = LinkState{};
    rewriteTitle();
}

void MonitorWindow::create(int cols, int top, int height, const ControllerAddress& controller) {
    controller_ = controller;
    create(cols, top, height);
    subscription_ =
        std::make_unique<Subscription>(messagingContext(), controller.endpoint(protocol::kStatusPortOffset),
                                       "Network status", kStatusLimits);
    subscription_->onCut([this](const MessageCut& cut) { status_.noteCut(cut.frames); });
    startError_ = subscription_->startError();
}

void MonitorWindow::prepareBody() {
    // Items running past the last row are cut there, never scrolled up.
    scrollok(bodyWin, FALSE);
}

void MonitorWindow::writeCaption(int /*cols*/) {
    // Cut before the link indicator, which keeps the last columns however narrow the terminal.
    const std::string title = monitorTitle(controller_, std::max(0, getmaxx(titleWin) - kLinkField - 1));
    mvwaddnstr(titleWin, 0, 0, title.data(), static_cast<int>(title.size()));
    writeLink();
    besideShown_.clear();  // the bar was painted over it: the next redraw writes it again
}

void MonitorWindow::writeLink() {
    const std::string text = "status: " + link_.word();
    const int width = getmaxx(titleWin);
    const int field = std::max(kLinkField, static_cast<int>(text.size()));
    const int start = std::max(0, width - field);
    mvwaddnstr(titleWin, 0, start, std::string(static_cast<std::size_t>(width - start), ' ').c_str(),
               width - start);
    const short pair = link_.kind == LinkState::Kind::Live     ? kGoodPair
                       : link_.kind == LinkState::Kind::Paused ? kTitlePair
                                                               : kAlertPair;
    wattrset(titleWin, A_BOLD | COLOR_PAIR(pair));
    const int at = std::max(0, width - static_cast<int>(text.size()));
    mvwaddnstr(titleWin, 0, at, text.data(), width - at);
    wattrset(titleWin, A_BOLD | COLOR_PAIR(kTitlePair));
}

void MonitorWindow::receiveLoop() {
    if (!subscription_) {
        return;
    }
    subscription_->run(
        running,
        [this](zmq::multipart_t& message) {
            for (const auto& tap : taps_) {
                tap(message);
            }
            storeStatusMessage(message, status_);
        },
        [this](const std::string& text) {
            if (reportError_) {
                reportError_(text);
            }
        });
}

void MonitorWindow::redrawBody() {
    redrawWanted_ = true;  // a body made anew is blank until the next redraw fills it
}

void MonitorWindow::drawStatus(Poco::Timer& /*timer*/) {
    // Copy under the record's lock, format with no lock held, draw under the screen's. A redraw that
    // would paint what the screen already shows writes nothing: an idle console costs next to nothing.
    StatusStore& shown = *shown_;
    const std::uint64_t changes = shown.changes();
    const LinkState link =
        linkFrom_ ? linkFrom_() : LinkState::at(shown.newestArrival(), std::chrono::steady_clock::now());
    const bool dim = link.kind == LinkState::Kind::Silent;
    const bool bodyChanged = redrawWanted_.exchange(false) || &shown != drawnStore_ ||
                             changes != drawnChanges_ || dim != drawnDim_;
    std::vector<StatusItem> items;
    if (bodyChanged) {
        items = formatStatusItems(shown.snapshot());
    }
    Beside beside = beside_ ? beside_() : Beside{};
    if (const std::uint64_t cut = shown.cutMessages(); cut > 0) {
        beside.text =
            statusCutText(cut, shown.droppedFrames()) + (beside.text.empty() ? "" : "  ") + beside.text;
        beside.alert = true;
    }
    ScreenLock lock;
    if (bodyWin == nullptr) {
        redrawWanted_ = true;
        return;
    }
    bool wrote = bodyChanged;
    if (titleWin != nullptr && (link.kind != link_.kind || link.silentSeconds != link_.silentSeconds)) {
        link_ = link;
        writeLink();
        wrote = true;
    }
    if (titleWin != nullptr && (beside.text != besideShown_ || beside.alert != besideAlert_)) {
        // Right-aligned before the link field; the title is cut there.
        const int end = std::max(0, getmaxx(titleWin) - kLinkField - 1);
        const int width = static_cast<int>(std::max(beside.text.size(), besideShown_.size()));
        const int start = std::max(0, end - width);
        mvwaddnstr(titleWin, 0, start, std::string(static_cast<std::size_t>(end - start), ' ').c_str(),
                   end - start);
        wattrset(titleWin, A_BOLD | COLOR_PAIR(beside.alert ? kAlertPair : kTitlePair));
        const int at = std::max(0, end - static_cast<int>(beside.text.size()));
        mvwaddnstr(titleWin, 0, at, beside.text.data(), end - at);
        wattrset(titleWin, A_BOLD | COLOR_PAIR(kTitlePair));
        besideShown_ = beside.text;
        besideAlert_ = beside.alert;
        wrote = true;
    }
    if (!wrote) {
        return;
    }
    if (bodyChanged) {
        werase(bodyWin);
        wattrset(bodyWin, dim ? A_DIM : A_NORMAL);
        for (const StatusItem& item : items) {
            // Written as data; an item starting past the right edge draws nothing, one running past it
            // wraps onto the next row, and on the last row the rest is dropped.
            mvwaddnstr(bodyWin, item.row, item.col, item.text.data(), static_cast<int>(item.text.size()));
        }
        drawnStore_ = &shown;
        drawnChanges_ = changes;
        drawnDim_ = dim;
    }
    curs_set(0);
    paint();
}

}  // namespace kova
