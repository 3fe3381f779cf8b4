// Value conversions of the status stream: the fast integer and float readers must give exactly what
// std::stoi and std::stof give, and fail exactly where they throw.
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "monitor/StatusTokens.h"
#include "monitor/ValueConversion.h"

namespace kova {
namespace {

// What the standard function says: the value, or nothing when it throws.
struct Expected {
    bool ok = false;
    std::int32_t intValue = 0;
    float floatValue = 0.0f;
};

Expected byStoi(const std::string& text) {
    Expected e;
    try {
        e.intValue = std::stoi(text);
        e.ok = true;
    } catch (const std::logic_error&) {
    }
    return e;
}

Expected byStof(const std::string& text) {
    Expected e;
    try {
        e.floatValue = std::stof(text);
        e.ok = true;
    } catch (const std::logic_error&) {
    }
    return e;
}

bool sameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

void expectIntLikeStoi(const std::string& text) {
    const Expected expected = byStoi(text);
    std::int32_t value = 77;
    const bool ok = convertInt(text, value);
    ASSERT_EQ(ok, expected.ok) << "text '" << text << "'";
    EXPECT_EQ(value, ok ? expected.intValue : 77) << "text '" << text << "'";
}

void expectFloatLikeStof(const std::string& text) {
    const Expected expected = byStof(text);
    float value = 77.0f;
    const bool ok = convertFloat(text, value);
    ASSERT_EQ(ok, expected.ok) << "text '" << text << "'";
    EXPECT_TRUE(sameFloat(value, ok ? expected.floatValue : 77.0f))
        << "text '" << text << "': " << value << " vs " << expected.floatValue;
}

TEST(ValueConversion, IntegersFollowStoiOnTheCasesThatMatter) {
    const struct {
        std::string text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {"12", true, 12},
        {"12abc", true, 12},
        {"0x1F", true, 0},
        {"-7", true, -7},
        {"+7", true, 7},
        {" \t\n\v\f\r42", true, 42},
        {"0000000000000000000012", true, 12},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {"-", false, 0},
        {"+-1", false, 0},
        {"- 1", false, 0},
        {"1.9", true, 1},
        {std::string("3\0"
                     "4",
                     3),
         true, 3},
        {std::string("\0"
                     "5",
                     2),
         false, 0},
        {"\xa0"
         "5",
         false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = 77;
        EXPECT_EQ(convertInt(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 77) << c.text;
        expectIntLikeStoi(c.text);
    }
}

TEST(ValueConversion, FloatsFollowStofOnTheCasesThatMatter) {
    const char* texts[] = {"12.5",
                           "1.25e1",
                           "-0",
                           "-0.0",
                           ".5",
                           "5.",
                           "-.5",
                           ".",
                           "",
                           "abc",
                           "1.5x",
                           "1.5e",
                           "1.5e+",
                           "1e-50",
                           "1e39",
                           "-1e39",
                           "3.4e38",
                           "1e-45",
                           "0x1p3",
                           "0x1F",
                           "00x1",
                           "inf",
                           "-INF",
                           "nan",
                           "nan(12)",
                           "infinity",
                           " 1.5",
                           "+2.25",
                           "0.1",
                           "0.3",
                           "16777216",
                           "16777217",
                           "16777216.5",
                           "1.00000000001",
                           "123456789012345678901234567890",
                           "0.000000000000000000001",
                           "9.999999",
                           "1,5",
                           "1..5",
                           "--1",
                           "+.e1",
                           "4294967296.5"};
    for (const char* text : texts) {
        expectFloatLikeStof(text);
    }
    expectFloatLikeStof(
        std::string("2.5\0"
                    "7",
                    5));
    expectFloatLikeStof(std::string(100, '9'));
    expectFloatLikeStof("0." + std::string(100, '0') + "1");
}

// Random plain decimals and near misses: the fast float path must be bit-exact with strtof.
TEST(ValueConversion, RandomDecimalsMatchTheStandardFunctions) {
    std::mt19937 random(12345);
    const std::string alphabet = "0123456789.-+eE x";
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k) {
            // Mostly digits and one point, now and then anything of the alphabet.
            text += random() % 4 == 0 ? alphabet[random() % alphabet.size()]
                                      : static_cast<char>('0' + random() % 10);
        }
        expectFloatLikeStof(text);
        expectIntLikeStoi(text);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(StatusTokens, SplitsLikeTheTrimmingTokenizer) {
    const struct {
        std::string values;
        std::vector<std::string> tokens;
        std::size_t count;
    } cases[] = {
        {"12/7/1", {"12", "7", "1"}, 3},
        {"1//3", {"1", "", "3"}, 3},
        {"1/", {"1", ""}, 2},
        {"/", {"", ""}, 2},
        {" ", {""}, 1},
        {" a / b ", {"a", "b"}, 2},
        {"\t1\v/\r", {"1", ""}, 2},
        {"\xa0"
         "5\xa0",
         {"\xa0"
          "5\xa0"},
         1},
        {std::string("1\0/2", 4), {std::string("1\0", 2), "2"}, 2},
        {"1/2/3/4/5/6/7/8/9", {"1", "2", "3", "4", "5", "6", "7"}, 9},
        {"", {}, 0},
    };
    for (const auto& c : cases) {
        const StatusTokens tokens(c.values);
        EXPECT_EQ(tokens.count(), c.count) << c.values;
        for (std::size_t i = 0; i < c.tokens.size(); ++i) {
            EXPECT_EQ(std::string(tokens[i]), c.tokens[i]) << c.values << " token " << i;
        }
    }
}

}  // namespace
}  // namespace kova
