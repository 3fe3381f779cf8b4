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
constexpr int kAlarmColumns = 9;
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

// The journal's unacknowledged alarms: "-" when none, "FLOOD" after the count while they come faster
// than anyone can follow.
std::string alarmCell(const FleetVehicle& vehicle) {
    std::string text = vehicle.unackedAlarms > 0 ? std::to_string(vehicle.unackedAlarms) : "-";
    return vehicle.alarmFlood ? text + " FLOOD" : text;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool nameBefore(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

}  // namespace

std::string fleetHeading() {
    return fmt::sprintf("%-16s %-21s %-12s %-9s %-12s %-25s %4s %4s %8s  %-17s %s", "vehicle", "address",
                        "link", "alarms", "state", "status", "po", "goal", "vel m/s", "warning", "fault");
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
    row.text += cell(vehicle.link.word(), kLinkColumns) + cell(alarmCell(vehicle), kAlarmColumns);
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
    } else if (vehicle.unackedAlarms > 0 || inAlarm(r)) {
        row.look = RowLook::Alarm;
    } else if (!received) {
        row.look = RowLook::Waiting;
    }
    return row;
}

void refreshFleetVehicle(FleetVehicle& vehicle, const StatusStore& store,
                         std::chrono::steady_clock::time_point now) {
    vehicle.link = LinkState::at(store.newestArrival(), now);
    // Read before the copy: a change during it moves the count again, and the next refresh copies.
    const std::uint64_t changes = store.changes();
    if (changes != vehicle.changes) {
        store.copyTo(vehicle.record);
        vehicle.changes = changes;
    }
}

const char* fleetOrderName(FleetOrder order) {
    switch (order) {
        case FleetOrder::AlarmsFirst:
            return "alarms first";
        case FleetOrder::SilentFirst:
            return "silent first";
        case FleetOrder::Name:
            return "name";
        case FleetOrder::Configuration:
            break;
    }
    return "configuration";
}

FleetOrder nextFleetOrder(FleetOrder order) {
    switch (order) {
        case FleetOrder::Configuration:
            return FleetOrder::AlarmsFirst;
        case FleetOrder::AlarmsFirst:
            return FleetOrder::SilentFirst;
        case FleetOrder::SilentFirst:
            return FleetOrder::Name;
        case FleetOrder::Name:
            break;
    }
    return FleetOrder::Configuration;
}

bool matchesFilter(std::string_view name, std::string_view filter) {
    return filter.empty() || std::search(name.begin(), name.end(), filter.begin(), filter.end(),
                                         [](char a, char b) { return lower(a) == lower(b); }) != name.end();
}

FleetSortKey fleetSortKey(const FleetVehicle& vehicle) {
    FleetSortKey key;
    key.name = vehicle.address.name;
    key.unackedAlarms = vehicle.unackedAlarms;
    key.codeRaised = inAlarm(vehicle.record);
    if (!vehicle.startError.empty() || vehicle.link.kind == LinkState::Kind::Silent) {
        key.linkRank = 0;
    } else if (vehicle.link.kind == LinkState::Kind::Waiting) {
        key.linkRank = 1;
    } else {
        key.linkRank = 2;
    }
    return key;
}

std::vector<std::size_t> fleetOrder(const std::vector<FleetSortKey>& keys, FleetOrder order,
                                    std::string_view filter) {
    std::vector<std::size_t> rows;
    rows.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (matchesFilter(keys[i].name, filter)) {
            rows.push_back(i);
        }
    }
    const auto sortBy = [&](auto before) {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](std::size_t a, std::size_t b) { return before(keys[a], keys[b]); });
    };
    switch (order) {
        case FleetOrder::AlarmsFirst:
            sortBy([](const FleetSortKey& a, const FleetSortKey& b) {
                return a.unackedAlarms != b.unackedAlarms ? a.unackedAlarms > b.unackedAlarms
                                                          : a.codeRaised && !b.codeRaised;
            });
            break;
        case FleetOrder::SilentFirst:
            sortBy([](const FleetSortKey& a, const FleetSortKey& b) { return a.linkRank < b.linkRank; });
            break;
        case FleetOrder::Name:
            sortBy([](const FleetSortKey& a, const FleetSortKey& b) { return nameBefore(a.name, b.name); });
            break;
        case FleetOrder::Configuration:
            break;
    }
    return rows;
}

FleetCounts fleetCounts(const std::vector<FleetVehicle>& vehicles) {
    FleetCounts counts;
    counts.vehicles = vehicles.size();
    for (const FleetVehicle& vehicle : vehicles) {
        if (!vehicle.startError.empty()) {
            ++counts.failed;
            continue;
        }
        counts.live += vehicle.link.kind == LinkState::Kind::Live ? 1 : 0;
        counts.silent += vehicle.link.kind == LinkState::Kind::Silent ? 1 : 0;
        counts.waiting += vehicle.link.kind == LinkState::Kind::Waiting ? 1 : 0;
        counts.alarm += inAlarm(vehicle.record) ? 1 : 0;
    }
    return counts;
}

std::string fleetTitle(const FleetCounts& counts, FleetOrder order, bool filtered, std::string_view filter,
                       std::size_t matching) {
    std::string title =
        filtered ? fmt::format("fleet: {} of {} match /{}", matching, counts.vehicles, displayText(filter))
                 : fmt::format("fleet: {} vehicles", counts.vehicles);
    title += fmt::format(", {} live, {} silent, {} waiting, {} in alarm", counts.live, counts.silent,
                         counts.waiting, counts.alarm);
    if (counts.failed > 0) {
        title += fmt::format(", {} not started", counts.failed);
    }
    return title + ", order: " + fleetOrderName(order);
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
