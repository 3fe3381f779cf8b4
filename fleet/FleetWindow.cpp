#include "fleet/FleetWindow.h"

#include <algorithm>

#include <curses.h>

#include "base/TextCells.h"
#include "ui/Screen.h"

namespace kova {

namespace {

attr_t lookAttributes(RowLook look) {
    switch (look) {
        case RowLook::Silent:
            return A_BOLD | COLOR_PAIR(kSilentRowPair);
        case RowLook::Alarm:
        case RowLook::Failed:
            return A_BOLD | COLOR_PAIR(kAlarmRowPair);
        case RowLook::Waiting:
            return A_DIM;
        case RowLook::Normal:
            break;
    }
    return A_NORMAL;
}

}  // namespace

void FleetWindow::create(int cols, int rows) {
    ScreenLock lock;
    createFrame(cols, 0, rows);
}

void FleetWindow::writeCaption(int /*cols*/) {
    mvwaddnstr(titleWin, 0, 0, title_.data(), static_cast<int>(title_.size()));
    const int titleEnd = static_cast<int>(title_.size()) + 2;
    int end = getmaxx(titleWin) - 1;
    // What is wrong (a recording failing, a journal not saved) goes before the keys: the keys give
    // way when the bar is too narrow for both.
    if (!beside_.text.empty()) {
        const std::string text = fitColumns(beside_.text, std::max(0, end - titleEnd), false);
        const int at = end - displayWidth(text);
        if (at >= titleEnd) {
            wattrset(titleWin, A_BOLD | COLOR_PAIR(beside_.alert ? kAlertPair : kTitlePair));
            mvwaddstr(titleWin, 0, at, text.c_str());
            wattrset(titleWin, A_BOLD | COLOR_PAIR(kTitlePair));
            end = at - 2;
        }
    }
    const std::string keys = typing_ ? "typing a filter: Enter keeps it, Esc clears it"
                                     : "j/k: select  Enter: open  /: filter  s: order  a: alarms";
    const int at = end - static_cast<int>(keys.size());
    if (at >= titleEnd) {
        mvwaddstr(titleWin, 0, at, keys.c_str());
    }
    typingShown_ = typing_;
}

std::size_t FleetWindow::visibleRows() const {
    return bodyWin == nullptr ? 1 : static_cast<std::size_t>(std::max(1, getmaxy(bodyWin) - 1));
}

bool FleetWindow::updateRows(const std::vector<FleetVehicle>& vehicles) {
    bool changed = false;
    if (rows_.size() != vehicles.size()) {
        rows_.assign(vehicles.size(), CachedRow{});
        keys_.assign(vehicles.size(), FleetSortKey{});
        changed = true;
    }
    for (std::size_t i = 0; i < vehicles.size(); ++i) {
        const FleetVehicle& vehicle = vehicles[i];
        CachedRow& cached = rows_[i];
        if (!cached.formatted || cached.changes != vehicle.changes || cached.link.kind != vehicle.link.kind ||
            cached.link.silentSeconds != vehicle.link.silentSeconds ||
            cached.unackedAlarms != vehicle.unackedAlarms || cached.alarmFlood != vehicle.alarmFlood ||
            cached.startError != vehicle.startError) {
            cached.row = fleetRow(vehicle);
            cached.formatted = true;
            changed = true;
            cached.changes = vehicle.changes;
            cached.link = vehicle.link;
            cached.unackedAlarms = vehicle.unackedAlarms;
            cached.alarmFlood = vehicle.alarmFlood;
            cached.startError = vehicle.startError;
            FleetSortKey key = fleetSortKey(vehicle);
            if (keys_[i].name != key.name) {
                keys_[i].name = std::move(key.name);
            }
            keys_[i].unackedAlarms = key.unackedAlarms;
            keys_[i].codeRaised = key.codeRaised;
            keys_[i].linkRank = key.linkRank;
        }
    }
    if (changed) {
        counts_ = fleetCounts(vehicles);
    }
    return changed;
}

void FleetWindow::redrawBody() {
    stale_ = true;  // a body made anew is blank until the next redraw fills it
}

void FleetWindow::drawTable(const std::vector<FleetVehicle>& vehicles, const MonitorWindow::Beside& beside) {
    ScreenLock lock;
    if (!shown() || bodyWin == nullptr) {
        return;
    }
    if (titleWin != nullptr && (beside.text != beside_.text || beside.alert != beside_.alert)) {
        beside_ = beside;
        rewriteTitle();
        paint();
    }
    // With no row changed the screen already shows this table: nothing is written.
    if (updateRows(vehicles) || stale_) {
        drawRows();
    }
}

void FleetWindow::drawRows() {
    const std::size_t previous = selection_.selected;
    order_ = fleetOrder(keys_, orderKind_, filter_);
    // The selection stays on its vehicle while it is shown; else on the same row, on another vehicle.
    const auto found = std::find(order_.begin(), order_.end(), selectedVehicle_);
    selection_.selected = found != order_.end() ? static_cast<std::size_t>(found - order_.begin()) : previous;
    selection_.move(0, order_.size(), visibleRows());
    if (!order_.empty()) {
        selectedVehicle_ = order_[selection_.selected];
    }

    const bool filtered = typing_ || !filter_.empty();
    const std::string title = fleetTitle(counts_, orderKind_, filtered, filter_, order_.size());
    if ((title != title_ || typing_ != typingShown_) && titleWin != nullptr) {
        title_ = title;
        rewriteTitle();
    }
    curs_set(0);
    werase(bodyWin);
    wattrset(bodyWin, A_BOLD);
    const std::string heading = fleetHeading();
    mvwaddnstr(bodyWin, 0, 0, heading.data(), static_cast<int>(heading.size()));
    wattrset(bodyWin, A_NORMAL);
    if (order_.empty() && !rows_.empty()) {
        const std::string none = "no vehicle matches /" + displayText(filter_);
        mvwaddnstr(bodyWin, 1, 0, none.data(), static_cast<int>(none.size()));
    }
    const std::size_t end = std::min(order_.size(), selection_.top + visibleRows());
    for (std::size_t i = selection_.top; i < end; ++i) {
        const FleetRow& shown = rows_[order_[i]].row;
        attr_t look = lookAttributes(shown.look);
        if (i == selection_.selected) {
            look |= A_REVERSE;
        }
        wattrset(bodyWin, look);
        const int row = static_cast<int>(i - selection_.top) + 1;
        // Cut by display columns: a wide character past the edge would wrap onto the next row.
        const std::string text = fitColumns(shown.text, getmaxx(bodyWin), false);
        mvwaddnstr(bodyWin, row, 0, text.data(), static_cast<int>(text.size()));
        if (i == selection_.selected) {
            wclrtoeol(bodyWin);  // the whole row in reverse video
        }
    }
    wattrset(bodyWin, A_NORMAL);
    paint();
    stale_ = false;
}

void FleetWindow::keyOfFilter(int key) {
    switch (key) {
        case 27:  // Esc
            filter_.clear();
            typing_ = false;
            break;
        case '\n':
        case '\r':
        case KEY_ENTER:
            typing_ = false;
            break;
        case KEY_BACKSPACE:
        case 127:
        case 8:
            if (!filter_.empty()) {
                filter_.pop_back();
            }
            break;
        default:
            if (key >= 32 && key < 127) {
                filter_ += static_cast<char>(key);
            } else {
                beep();
                return;
            }
    }
    redraw();
}

void FleetWindow::redraw() {
    if (shown() && bodyWin != nullptr) {
        drawRows();
    }
}

FleetKey FleetWindow::takeKey(int key) {
    ScreenLock lock;
    const bool moves = key == KEY_UP || key == KEY_DOWN || key == KEY_PPAGE || key == KEY_NPAGE ||
                       key == KEY_HOME || key == KEY_END;
    if (typing_ && !moves) {
        keyOfFilter(key);
        return {};
    }
    const long page = static_cast<long>(visibleRows());
    const long count = static_cast<long>(order_.size());
    long delta = 0;
    switch (key) {
        case KEY_UP:
        case 'k':
            delta = -1;
            break;
        case KEY_DOWN:
        case 'j':
            delta = 1;
            break;
        case KEY_PPAGE:
            delta = -page;
            break;
        case KEY_NPAGE:
            delta = page;
            break;
        case KEY_HOME:
            delta = -count;
            break;
        case KEY_END:
            delta = count;
            break;
        case '\n':
        case '\r':
        case KEY_ENTER:
            if (order_.empty()) {
                return {};
            }
            return FleetKey{FleetKey::Action::Open, selectedVehicle_};
        case 'a':
            return FleetKey{FleetKey::Action::Journal, 0};
        case '/':
            typing_ = true;
            filter_.clear();
            redraw();
            return {};
        case 's':
            orderKind_ = nextFleetOrder(orderKind_);
            redraw();
            return {};
        case 27:
            if (!filter_.empty()) {
                keyOfFilter(27);
                return {};
            }
            [[fallthrough]];
        default:
            beep();
            return {};
    }
    selection_.move(delta, order_.size(), visibleRows());
    if (!order_.empty()) {
        selectedVehicle_ = order_[selection_.selected];
    }
    redraw();
    return {};
}

}  // namespace kova
