#pragma once

#include <string_view>

#include "monitor/StatusRecord.h"
#include "monitor/StatusTable.h"

namespace kova {

// Stores one published status message, frame 1 `indexText` and frame 2 `valuesText`, into `record`.
// An empty values text is discarded; the values are split at "/" and trimmed, empty ones kept; the
// index is read as std::stoi reads it ("111x" is 111, "abc" is discarded); an index that is not in
// the table, or a value count it does not take, leaves the record alone; values are converted in
// order and stored one by one, and a failed conversion ends the message there. Conversions give
// exactly std::stoi's and std::stof's results and failures. Nothing is thrown. Allocates only when
// a text field grows. Any thread; the caller serialises access to `record`.
StatusOutcome handleStatusMessage(std::string_view indexText, std::string_view valuesText,
                                  StatusRecord& record) noexcept;

}  // namespace kova
