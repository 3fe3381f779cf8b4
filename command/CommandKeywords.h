#pragma once

#include <optional>
#include <string>

namespace kova {

// The keyword tables of the short-form commands. Words are compared exactly, with case.

// Control command keyword ("sp", "rfcw", ... "cr") to the value written to object 4011/0, 1 to 12.
std::optional<int> controlValue(const std::string& keyword);

// Servo command keyword to the value written to object 4092/0, 1 to 8. The values follow this
// table's own order (on off qs locb relb rc rn rf), not the order the usage text lists them in.
std::optional<int> servoValue(const std::string& keyword);

// True for the twelve steering keywords ("LL", "RR", "LX", ... "X0"); the keyword itself is sent.
bool isSteeringKeyword(const std::string& keyword);

// Manual move direction written to object 4091/0: 1 for "f", -1 for "b", 0 for anything else.
int manualDirectionValue(const std::string& direction);

}  // namespace kova
