#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/StatusRecord.h"
#include "protocol/ObjectIndex.h"

namespace kova {

// The status objects a vehicle's stream carries while only its row of the fleet table is shown:
// what the row shows (operation state and status, current and goal point, actual velocity) and
// what the alarm watch follows (warning and fault codes). Everything else of the stream is asked
// for only while the vehicle is open in the monitor.
constexpr std::array<int, 7> kFleetTableObjects = {
    protocol::object::kOperationState,  protocol::object::kAlarmFault, protocol::object::kAlarmWarning,
    protocol::object::kCurrentPosition, protocol::object::kGoal,       protocol::object::kOperationStatus,
    protocol::object::kActualVelocity,
};

// The subscription prefixes that ask a publisher for the table's objects: frame 1 of a status
// message is the object index in decimal. A prefix also lets through longer indices ("111" lets
// "1110" through), so a receiver still checks the index itself (isFleetTableObject).
std::vector<std::string> fleetTablePrefixes();

// Whether frame 1 of a status message, read as the status handler reads it, names one of the
// table's objects. Pure; any thread.
bool isFleetTableObject(std::string_view indexText);

// `record` with every value of an object outside the table back at its initial value: what a
// vehicle's record may still show of the time it was last open, before the objects it then
// received were filtered out. Pure; any thread.
void keepFleetTableValues(StatusRecord& record);

}  // namespace kova
