#include "sim/RequestBody.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace kova::sim {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return "";
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> splitAt(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        fields.push_back(trimmed(text.substr(start, end - start)));
        if (end == std::string::npos) {
            return fields;
        }
        start = end + 1;
    }
}

}  // namespace

std::vector<std::string> splitFields(const std::string& body) {
    return splitAt(body, '/');
}

std::optional<int> parseInteger(const std::string& field) {
    const std::string text = trimmed(field);
    std::size_t digits = text.size();
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        --digits;
    }
    if (digits == 0 || digits > 11 ||
        text.find_first_not_of("0123456789", text.size() - digits) != std::string::npos) {
        return std::nullopt;
    }
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<std::vector<int>> parsePointList(const std::string& text) {
    std::vector<int> points;
    for (const auto& field : splitAt(text, ';')) {
        const auto point = parseInteger(field);
        if (!point) {
            return std::nullopt;
        }
        points.push_back(*point);
    }
    return points;
}

std::string printable(const std::string& text, std::size_t limit) {
    std::string safe;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        safe += byte >= 0x20 && byte < 0x7f ? static_cast<char>(byte) : '?';
    }
    if (text.size() > limit) {
        safe += "...";
    }
    return safe;
}

}  // namespace kova::sim
