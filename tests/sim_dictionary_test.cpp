// The simulator's object dictionary: replies to set, setm, get and getm, known and unknown objects,
// malformed bodies, and what the writes do to the vehicle and the log switches.
#include <random>

#include <gtest/gtest.h>

#include "sim/ObjectDictionary.h"
#include "sim/RequestBody.h"

namespace kova::sim {
namespace {

class SimDictionary : public ::testing::Test {
protected:
    SimDictionary() : model_(settings()), dictionary_(model_, switches_) {}

    static ModelSettings settings() {
        ModelSettings s;
        s.obstacles = false;
        return s;
    }
    void runModel(double seconds) {
        for (double t = 0.0; t < seconds; t += 0.01) {
            model_.advance(0.01);
        }
    }

    VehicleModel model_;
    LogSwitches switches_;
    ObjectDictionary dictionary_;
};

struct Exchange {
    const char* verb;
    const char* body;
    bool ok;
    const char* text;
};

void expectReplies(ObjectDictionary& dictionary, const std::vector<Exchange>& exchanges) {
    for (const auto& e : exchanges) {
        const Reply reply = dictionary.handle(e.verb, e.body);
        EXPECT_EQ(reply.ok, e.ok) << e.verb << " " << e.body << " -> " << reply.text;
        EXPECT_EQ(reply.text, e.text) << e.verb << " " << e.body;
        EXPECT_EQ(reply.status(), e.ok ? "OK" : "ERR");
    }
}

TEST_F(SimDictionary, RepliesToKnownAndUnknownObjects) {
    runModel(2.0);  // manual operation
    expectReplies(
        dictionary_,
        {
            {"set", "3033/0/15", true, "3033/0 = 15 OK"},
            {"get", "3033/0", true, "3033/0 = 15"},
            {"set", " 3033 / 0 / 7 ", true, "3033/0 = 7 OK"},
            {"set", "3033/0/99", false, "3033/0 = 99 ERR: unknown point 99"},
            {"set", "3033/0/1x", false, "3033/0 = 1x ERR: value must be an integer"},
            {"set", "9999/0/1", false, "ERR: unknown object 9999/0"},
            {"set", "3033/1/15", false, "ERR: unknown object 3033/1"},
            {"set", "3009/0/1", false, "3009/0 = 1 ERR: read-only object"},
            {"set", "106/0/x", false, "106/0 = x ERR: read-only object"},
            {"get", "106/0", true, "106/0 = kovaSimOHV"},
            {"get", "4004/0", true, "4004/0 = 10000"},
            {"get", "3009/0", true, "3009/0 = 1"},
            {"get", "3009/2", true, "3009/2 = 0"},
            {"get", "3009/3", false, "ERR: unknown object 3009/3"},
            {"get", "3009/-1", false, "ERR: unknown object 3009/-1"},
            {"getm", "3009", true, "3009 = 1/1/0"},
            {"getm", "111", true, "111 = 3"},
            {"getm", "9999", false, "ERR: unknown object 9999"},
            {"set", "112/0/5", false, "112/0 = 5 ERR: mode must be 2 (auto) or 3 (manual)"},
            {"set", "4011/0/0", false, "4011/0 = 0 ERR: control command must be 1 to 12"},
            {"set", "4092/0/9", false, "4092/0 = 9 ERR: servo command must be 1 to 8"},
            {"set", "4091/0/1", false, "4091/0 = 1 ERR: servo is off"},
            {"set", "3031/0/2", false, "3031/0 = 2 ERR: goal needs automatic operation (switch/auto)"},
            {"set", "3050/0/RX", true, "3050/0 = RX OK"},
            {"get", "3050/0", true, "3050/0 = RX"},
            {"set", "3050/0/rx", false, "3050/0 = rx ERR: unknown steering keyword"},
        });
}

TEST_F(SimDictionary, MalformedRequestsGetAClearErrorText) {
    expectReplies(
        dictionary_,
        {
            {"set", "3033/0", false, "ERR: malformed body '3033/0' (set index/subindex/value)"},
            {"set", "", false, "ERR: malformed body '' (set index/subindex/value)"},
            {"set", "a/0/1", false, "ERR: malformed body 'a/0/1' (set index/subindex/value)"},
            {"set", "3033/0/1/2", false, "ERR: malformed body '3033/0/1/2' (set index/subindex/value)"},
            {"set", "99999999999/0/1", false,
             "ERR: malformed body '99999999999/0/1' (set index/subindex/value)"},
            {"get", "3009", false, "ERR: malformed body '3009' (get index/subindex)"},
            {"getm", "3009/0", false, "ERR: malformed body '3009/0' (getm index)"},
            {"getm", "x", false, "ERR: malformed body 'x' (getm index)"},
            {"setm", "3034", false, "ERR: malformed body '3034' (setm index/value0/value1...)"},
            {"SET", "3033/0/15", false, "ERR: unknown verb 'SET' (set, setm, get, getm)"},
            {"", "", false, "ERR: unknown verb '' (set, setm, get, getm)"},
            {std::string("s\0t", 3).c_str(), "1/0/1", false, "ERR: unknown verb 's' (set, setm, get, getm)"},
            {"get", "\x01\xff/0", false, "ERR: malformed body '?\?/0' (get index/subindex)"},
        });
    const Reply huge = dictionary_.handle("set", std::string(100000, '7') + "/0/1");
    EXPECT_FALSE(huge.ok);
    EXPECT_LT(huge.text.size(), 100u);
}

TEST_F(SimDictionary, LogSwitchesAreReadAndWritten) {
    expectReplies(dictionary_, {
                                   {"getm", "703", true, "703 = 1/0"},
                                   {"set", "703/1/1", true, "703/1 = 1 OK"},
                                   {"set", "703/0/0", true, "703/0 = 0 OK"},
                                   {"get", "703/1", true, "703/1 = 1"},
                                   {"set", "703/0/2", false, "703/0 = 2 ERR: value must be 0 or 1"},
                                   {"set", "703/2/1", false, "ERR: unknown object 703/2"},
                               });
    EXPECT_FALSE(switches_.publish);
    EXPECT_TRUE(switches_.debug);
    expectReplies(dictionary_, {{"setm", "703/1/0", true, "703 = 1/0 OK"}});
    EXPECT_TRUE(switches_.publish);
    EXPECT_FALSE(switches_.debug);
}

TEST_F(SimDictionary, GoalListsBySetAndBySetm) {
    expectReplies(dictionary_,
                  {
                      {"set", "3034/0/3;18;15", true, "3034/0 = 3;18;15 OK"},
                      {"get", "3034/0", true, "3034/0 = 3;18;15"},
                      {"setm", "3034/4/5", true, "3034 = 4/5 OK"},
                      {"set", "3034/0/3;;15", false, "3034/0 = 3;;15 ERR: point list must be like 3;7;12"},
                      {"set", "3034/0/3;99", false, "3034/0 = 3;99 ERR: unknown point 99"},
                      {"setm", "3033/1/2", false, "3033 = 1/2 ERR: takes one value"},
                      {"setm", "3033/4", true, "3033 = 4 OK"},
                      {"setm", "3009/1", false, "3009 = 1 ERR: read-only object"},
                      {"setm", "9999/1", false, "ERR: unknown object 9999/0"},
                  });
    EXPECT_EQ(model_.goalList(), (std::vector<int>{4, 5}));
    EXPECT_EQ(model_.goalPoint(), 4);
}

TEST_F(SimDictionary, TheOperatorsGoalSequenceDrivesTheVehicle) {
    runModel(2.0);
    expectReplies(dictionary_, {
                                   {"set", "4092/0/1", true, "4092/0 = 1 OK"},
                                   {"set", "112/0/2", true, "112/0 = 2 OK"},
                                   {"get", "112/0", true, "112/0 = 2"},
                                   {"set", "3033/0/15", true, "3033/0 = 15 OK"},
                                   {"set", "3031/0/2", true, "3031/0 = 2 OK"},
                               });
    for (int i = 0; i < 12000 && !model_.endOfRoute(); ++i) {
        model_.advance(0.01);
    }
    EXPECT_TRUE(model_.endOfRoute());
    expectReplies(dictionary_,
                  {{"get", "3009/0", true, "3009/0 = 15"}, {"get", "3011/6", true, "3011/6 = 1"}});
}

TEST_F(SimDictionary, ObstacleUseSwitchesTheSensor) {
    expectReplies(dictionary_, {
                                   {"set", "4026/0/1", true, "4026/0 = 1 OK"},
                                   {"get", "3040/0", true, "3040/0 = 1"},
                                   {"set", "4026/0/0", true, "4026/0 = 0 OK"},
                                   {"get", "4026/0", true, "4026/0 = 0"},
                                   {"get", "3040/0", true, "3040/0 = -1"},
                               });
}

// Whatever bytes arrive, the reply is a short printable text and nothing throws.
TEST_F(SimDictionary, RandomBytesNeverBreakTheDictionary) {
    std::mt19937 random(5);
    static const char kBytes[] = "0123456789/;-+ .abcSETmg\x00\xff\x7f\n";
    const std::string alphabet(kBytes, sizeof kBytes - 1);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 24);
    const char* verbs[] = {"set", "setm", "get", "getm", "x"};
    runModel(2.0);
    for (int i = 0; i < 5000; ++i) {
        std::string body;
        for (int n = length(random); n > 0; --n) {
            body += alphabet[pick(random)];
        }
        Reply reply;
        ASSERT_NO_THROW(reply = dictionary_.handle(verbs[i % 5], body)) << body;
        ASSERT_FALSE(reply.text.empty());
        ASSERT_EQ(reply.text, printable(reply.text, 1000)) << "unprintable reply to " << printable(body);
        model_.advance(0.01);
    }
}

TEST(SimRequestBody, FieldsIntegersAndPointLists) {
    EXPECT_EQ(splitFields("1/ 2 //x"), (std::vector<std::string>{"1", "2", "", "x"}));
    EXPECT_EQ(splitFields(""), (std::vector<std::string>{""}));
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {{"15", 15},
                          {" -1 ", -1},
                          {"+3", 3},
                          {"", std::nullopt},
                          {"-", std::nullopt},
                          {"1x", std::nullopt},
                          {"0x1F", std::nullopt},
                          {"2147483647", 2147483647},
                          {"2147483648", std::nullopt},
                          {"-2147483648", -2147483647 - 1},
                          {"1.0", std::nullopt},
                          {"99999999999999999999", std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(parseInteger(c.text), c.value) << c.text;
    }
    EXPECT_EQ(parsePointList("3;7;12"), (std::vector<int>{3, 7, 12}));
    EXPECT_EQ(parsePointList(" 3 ; 7 "), (std::vector<int>{3, 7}));
    EXPECT_FALSE(parsePointList(""));
    EXPECT_FALSE(parsePointList("3;"));
    EXPECT_EQ(printable(std::string("a\0b\x1b", 4)), "a?b?");
    EXPECT_EQ(printable("abcdef", 3), "abc...");
}

}  // namespace
}  // namespace kova::sim
