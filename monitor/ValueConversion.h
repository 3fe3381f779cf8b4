#pragma once

#include <cstdint>
#include <string_view>

namespace kova {

// Conversions of one value text of a status message, with exactly the results of std::stoi (base
// 10) and std::stof on a std::string holding the same bytes, but without exceptions and without
// allocating on the common path. Where the standard function throws, these return false and leave
// `out` alone.

// Leading white space skipped, an optional sign, decimal digits; the first other byte ends the
// number and the rest is ignored ("12abc" gives 12, "0x1F" gives 0). No digit, or a value outside
// the 32-bit signed range, fails.
bool convertInt(std::string_view text, std::int32_t& out);

// Plain decimals ("12.5", "-0.25") are converted here, exactly rounded; everything else (exponents,
// hexadecimal, inf, nan, long mantissas) goes to strtof, whose result std::stof returns. No number,
// or a value out of the float range (overflow or underflow), fails.
bool convertFloat(std::string_view text, float& out);

}  // namespace kova
