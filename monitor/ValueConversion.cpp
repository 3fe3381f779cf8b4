#include "monitor/ValueConversion.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kova {

namespace {

// White space as strtol and strtof skip it in the C locale.
bool isCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// std::stof's own path: strtof on a NUL-terminated copy (so an embedded NUL ends the number as it
// does in std::string::c_str()), failing where std::stof throws.
bool convertFloatByStrtof(std::string_view text, float& out) {
    char small[64];
    std::string large;
    const char* begin = small;
    if (text.size() < sizeof small) {
        std::memcpy(small, text.data(), text.size());
        small[text.size()] = '\0';
    } else {
        large.assign(text.data(), text.size());
        begin = large.c_str();
    }
    const int savedErrno = errno;
    errno = 0;
    char* end = nullptr;
    const float value = std::strtof(begin, &end);
    const bool outOfRange = errno == ERANGE;
    errno = savedErrno;
    if (end == begin || outOfRange) {
        return false;
    }
    out = value;
    return true;
}

// [sign] digits [. digits] whose digits, read as one integer m, stay within 2^24 and whose fraction
// has at most 10 digits: then m and 10^k are exact floats and one IEEE division gives the correctly
// rounded value, the same float strtof returns. Returns false, leaving `out` alone, for any other
// text (exponents, hexadecimal, inf, nan, long mantissas, no digits), which strtof must decide.
bool convertPlainDecimal(std::string_view text, float& out) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                             1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    constexpr std::uint32_t kExactLimit = 1u << 24;
    const char* p = text.data();
    const char* const end = p + text.size();
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    std::uint32_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool inFraction = false;
    for (; p != end; ++p) {
        if (*p == '.' && !inFraction) {
            inFraction = true;
            continue;
        }
        if (!isDigit(*p)) {
            break;
        }
        mantissa = mantissa * 10 + static_cast<std::uint32_t>(*p - '0');
        ++digits;
        fractionDigits += inFraction ? 1 : 0;
        if (mantissa > kExactLimit || fractionDigits > 10) {
            return false;
        }
    }
    // An exponent or a hexadecimal prefix may follow the digits; strtof reads those.
    if (digits == 0 || (p != end && (*p == 'e' || *p == 'E' || *p == 'x' || *p == 'X'))) {
        return false;
    }
    const float magnitude = static_cast<float>(mantissa) / kPowersOfTen[fractionDigits];
    out = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

bool convertInt(std::string_view text, std::int32_t& out) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && isCSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || !isDigit(*p)) {
        return false;  // "invalid stoi argument"
    }
    while (p != end && *p == '0') {
        ++p;
    }
    // At most ten significant digits can fit; any more is out of range whatever they are.
    std::int64_t magnitude = 0;
    int significant = 0;
    for (; p != end && isDigit(*p); ++p) {
        if (++significant > 10) {
            return false;  // "stoi argument out of range"
        }
        magnitude = magnitude * 10 + (*p - '0');
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) {
        return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}

bool convertFloat(std::string_view text, float& out) {
    return convertPlainDecimal(text, out) || convertFloatByStrtof(text, out);
}

}  // namespace kova
