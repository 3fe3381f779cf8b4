#pragma once

#include <string>

#include "monitor/StatusRecord.h"

namespace kova {

// Every field of the record as "name=value" lines, in declared order; floats in hexadecimal
// notation and texts with their bytes escaped, so two records are equal exactly when their
// descriptions are. For diagnostics and for comparing records in tests.
std::string describeStatusRecord(const StatusRecord& record);

}  // namespace kova
