#include "fleet/FleetWindow.h"

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
    const std::string keys = "Up/Down or j/k: select  Enter: open";
    const int at = getmaxx(titleWin) - static_cast<int>(keys.size()) - 1;
    if (at > static_cast<int>(title_.size()) + 2) {
        mvwaddstr(titleWin, 0, at, keys.c_str());
    }
}

std::size_t FleetWindow::visibleRows() const {
    return bodyWin == nullptr ? 1 : static_cast<std::size_t>(std::max(1, getmaxy(bodyWin) - 1));
}

void FleetWindow::drawTable(const std::vector<FleetVehicle>& vehicles) {
    std::vector<FleetRow> rows;
    rows.reserve(vehicles.size());
    for (const FleetVehicle& vehicle : vehicles) {
        rows.push_back(fleetRow(vehicle));
    }
    const std::string title = fleetTitle(vehicles);
    const std::string heading = fleetHeading();
    ScreenLock lock;
    if (!shown() || bodyWin == nullptr) {
        return;
    }
    count_ = rows.size();
    selection_.move(0, count_, visibleRows());
    if (title != title_ && titleWin != nullptr) {
        title_ = title;
        rewriteTitle();
    }
    curs_set(0);
    werase(bodyWin);
    wattrset(bodyWin, A_BOLD);
    mvwaddnstr(bodyWin, 0, 0, heading.data(), static_cast<int>(heading.size()));
    const std::size_t end = std::min(count_, selection_.top + visibleRows());
    for (std::size_t i = selection_.top; i < end; ++i) {
        attr_t look = lookAttributes(rows[i].look);
        if (i == selection_.selected) {
            look |= A_REVERSE;
        }
        wattrset(bodyWin, look);
        const int row = static_cast<int>(i - selection_.top) + 1;
        // Cut by display columns: a wide character past the edge would wrap onto the next row.
        const std::string shown = fitColumns(rows[i].text, getmaxx(bodyWin), false);
        mvwaddnstr(bodyWin, row, 0, shown.data(), static_cast<int>(shown.size()));
        if (i == selection_.selected) {
            wclrtoeol(bodyWin);  // the whole row in reverse video
        }
    }
    wattrset(bodyWin, A_NORMAL);
    paint();
}

FleetKey FleetWindow::takeKey(int key) {
    ScreenLock lock;
    const long page = static_cast<long>(visibleRows());
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
            delta = -static_cast<long>(count_);
            break;
        case KEY_END:
            delta = static_cast<long>(count_);
            break;
        case '\n':
        case '\r':
        case KEY_ENTER:
            if (count_ == 0) {
                return {};
            }
            return FleetKey{FleetKey::Action::Open, selection_.selected};
        default:
            beep();
            return {};
    }
    selection_.move(delta, count_, visibleRows());
    return {};
}

}  // namespace kova
