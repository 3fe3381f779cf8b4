#include "fleet/FleetTable.h"

#include <algorithm>

#include <fmt/printf.h>

#include "base/TextCells.h"
#include "monitor/StatusRows.h"
#include "protocol/StateCodes.h"

namespace kova {

namespace {

// The columns' widths in display columns; the fault field takes what is left.
constexpr int kNameColumns = 16;
constexpr int kAddressColumns = 21;
constexpr int kLinkColumns = 12;
constexpr int kStateColumns = 12;
constexpr int kStatusColumns = 25;
constexpr int kWarningColumns = 17;

// A cell and the blank after it.
std::string cell(std::string_view text, int columns) {
    return fitColumns(text, columns) + ' ';
}

bool inAlarm(const StatusRecord& record) {
    for (const std::string& code :
         {record.alarmWarning[0], record.alarmWarning[1], record.alarmFault[0], record.alarmFault[1]}) {
        if (!code.empty()) {
            return true;
        }
    }
    return false;
}

std::string codes(const std::array<std::string, 2>& pair) {
    const std::string first = displayText(pair[0].c_str());
    const std::string second = displayText(pair[1].c_str());
    if (first.empty() && second.empty()) {
        return "-";
    }
    return first + "|" + second;
}

}  // namespace

std::string fleetHeading() {
    return fmt::sprintf("%-16s %-21s %-12s %-12s %-25s %4s %4s %8s  %-17s %s", "vehicle", "address", "link",
                        "state", "status", "po", "goal", "vel m/s", "warning", "fault");
}

FleetRow fleetRow(const FleetVehicle& vehicle) {
    const StatusRecord& r = vehicle.record;
    const ControllerAddress& a = vehicle.address;
    FleetRow row;
    row.text = cell(a.name, kNameColumns) + cell(a.host + ":" + std::to_string(a.port), kAddressColumns);
    if (!vehicle.startError.empty()) {
        row.text += cell("not started", kLinkColumns) + displayText(vehicle.startError);
        row.look = RowLook::Failed;
        return row;
    }
    row.text += cell(vehicle.link.word(), kLinkColumns);
    const bool received = vehicle.link.kind != LinkState::Kind::Waiting;
    if (received) {
        row.text += cell(protocol::operationStateName(r.operationState), kStateColumns) +
                    cell(statusText(r), kStatusColumns) +
                    fmt::sprintf("%4d %4d %8.3f  ", r.currentPo, r.goalPo,
                                 static_cast<double>(static_cast<float>(r.actualVelocity) * 0.0001f)) +
                    cell(codes(r.alarmWarning), kWarningColumns) + codes(r.alarmFault);
    } else {
        row.text += cell("-", kStateColumns) + cell("-", kStatusColumns) +
                    fmt::sprintf("%4s %4s %8s  ", "-", "-", "-") + cell("-", kWarningColumns) + "-";
    }
    if (vehicle.link.kind == LinkState::Kind::Silent) {
        row.look = RowLook::Silent;
    } else if (inAlarm(r)) {
        row.look = RowLook::Alarm;
    } else if (!received) {
        row.look = RowLook::Waiting;
    }
    return row;
}

std::string fleetTitle(const std::vector<FleetVehicle>& vehicles) {
    std::size_t live = 0;
    std::size_t silent = 0;
    std::size_t waiting = 0;
    std::size_t alarm = 0;
    std::size_t failed = 0;
    for (const FleetVehicle& vehicle : vehicles) {
        if (!vehicle.startError.empty()) {
            ++failed;
            continue;
        }
        live += vehicle.link.kind == LinkState::Kind::Live ? 1 : 0;
        silent += vehicle.link.kind == LinkState::Kind::Silent ? 1 : 0;
        waiting += vehicle.link.kind == LinkState::Kind::Waiting ? 1 : 0;
        alarm += inAlarm(vehicle.record) ? 1 : 0;
    }
    std::string title = fmt::format("fleet: {} vehicles, {} live, {} silent, {} waiting, {} in alarm",
                                    vehicles.size(), live, silent, waiting, alarm);
    if (failed > 0) {
        title += fmt::format(", {} not started", failed);
    }
    return title;
}

void FleetSelection::move(long delta, std::size_t count, std::size_t visibleRows) {
    if (count == 0) {
        selected = top = 0;
        return;
    }
    const long target = std::clamp(static_cast<long>(selected) + delta, 0L, static_cast<long>(count) - 1);
    selected = static_cast<std::size_t>(target);
    const std::size_t visible = std::max<std::size_t>(1, visibleRows);
    if (selected < top) {
        top = selected;
    } else if (selected >= top + visible) {
        top = selected + 1 - visible;
    }
    top = std::min(top, count > visible ? count - visible : 0);
}

}  // namespace kova
