#pragma once

#include <string>
#include <vector>

#include "monitor/StatusRecord.h"

namespace kova {

// One text of the monitor body at a fixed body row and column.
struct StatusItem {
    int row = 0;
    int col = 0;
    std::string text;
};

// The 26 items of the monitor body for `record`, in drawing order, with the values scaled to
// display units: periods in ms, run time in s, velocities in m/s, torques in %, distances in mm.
// Texts from the controller may be of any length; they go in whole. Pure; any thread.
std::vector<StatusItem> formatStatusItems(const StatusRecord& record);

// The Status field: the manual or automatic status word while the operation state is 3 (manual)
// or 4 (automatic), otherwise empty.
std::string statusText(const StatusRecord& record);

}  // namespace kova
