#include "command/CommandKeywords.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace kova {

namespace {

using KeywordValue = std::pair<const char*, int>;

constexpr std::array<KeywordValue, 12> kControlKeywords{{
    {"sp", 1},
    {"rfcw", 2},
    {"hstp", 3},
    {"sby", 4},
    {"soff", 5},
    {"sstp", 6},
    {"rf", 7},
    {"rdy", 8},
    {"cw", 9},
    {"locb", 10},
    {"relb", 11},
    {"cr", 12},
}};

constexpr std::array<KeywordValue, 8> kServoKeywords{{
    {"on", 1},
    {"off", 2},
    {"qs", 3},
    {"locb", 4},
    {"relb", 5},
    {"rc", 6},
    {"rn", 7},
    {"rf", 8},
}};

constexpr std::array<const char*, 12> kSteeringKeywords{
    {"LL", "RR", "LX", "XL", "RX", "XR", "00", "11", "1X", "X1", "0X", "X0"}};

template <std::size_t N>
std::optional<int> lookUp(const std::array<KeywordValue, N>& table, const std::string& keyword) {
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&keyword](const KeywordValue& entry) { return keyword == entry.first; });
    if (found == table.end()) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace

std::optional<int> controlValue(const std::string& keyword) {
    return lookUp(kControlKeywords, keyword);
}

std::optional<int> servoValue(const std::string& keyword) {
    return lookUp(kServoKeywords, keyword);
}

bool isSteeringKeyword(const std::string& keyword) {
    return std::any_of(std::begin(kSteeringKeywords), std::end(kSteeringKeywords),
                       [&keyword](const char* word) { return keyword == word; });
}

int manualDirectionValue(const std::string& direction) {
    if (direction == "f") {
        return 1;
    }
    if (direction == "b") {
        return -1;
    }
    return 0;
}

}  // namespace kova
