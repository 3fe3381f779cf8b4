// The simulator's status stream: every object the monitor understands, with the value counts and
// value forms the monitor expects, at rates between a few and twenty messages a second.
#include <cmath>
#include <map>

#include <gtest/gtest.h>

#include "sim/PublishSchedule.h"
#include "sim/RequestBody.h"
#include "sim/StatusObjects.h"
#include "sim/VehicleModel.h"

namespace kova::sim {
namespace {

// The monitor's index table, written out here on its own: for each index the form of each value
// (i integer, f float, t text, b "0" or "1").
const std::map<int, std::string>& monitorTable() {
    static const std::map<int, std::string> table = {
        {111, "i"},       {500, "tt"},       {501, "tt"},  {1902, "i"},      {3008, "iiiii"},  {3009, "iii"},
        {3010, "iiii"},   {3011, "iiiiiii"}, {3012, "ii"}, {3021, "t"},      {3037, "iii"},    {3038, "ii"},
        {3040, "i"},      {3050, "t"},       {3060, "t"},  {3065, "b"},      {4005, "iii"},    {4021, "i"},
        {4031, "iii"},    {4032, "iii"},     {4034, "i"},  {4035, "i"},      {4061, "f"},      {5001, "i"},
        {5002, "i"},      {6070, "iiii"},    {7022, "ii"}, {7023, "iiiiii"}, {7024, "i"},      {7027, "f"},
        {7028, "ff"},     {7029, "ii"},      {7030, "ii"}, {7031, "ii"},     {7033, "iiiiii"}, {7034, "i"},
        {7035, "iiiiii"}, {7120, "i"},       {7122, "f"},  {7123, "ii"},     {7251, "ii"},     {7252, "ii"},
        {7253, "ii"},
    };
    return table;
}

bool isFloat(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

void expectMonitorCanRead(const std::vector<StatusMessage>& messages) {
    ASSERT_EQ(messages.size(), 43u);
    for (const auto& message : messages) {
        const auto expected = monitorTable().find(message.index);
        ASSERT_NE(expected, monitorTable().end()) << message.index;
        const auto values = splitFields(message.values);
        const std::string& forms = expected->second;
        ASSERT_EQ(values.size(), forms.size()) << message.index << ": " << message.values;
        for (std::size_t i = 0; i < forms.size(); ++i) {
            const std::string& value = values[i];
            switch (forms[i]) {
                case 'i':
                    EXPECT_TRUE(parseInteger(value)) << message.index << " value " << i + 1 << ": " << value;
                    break;
                case 'f':
                    EXPECT_TRUE(isFloat(value)) << message.index << " value " << i + 1 << ": " << value;
                    break;
                case 'b':
                    EXPECT_TRUE(value == "0" || value == "1") << message.index << ": " << value;
                    break;
                default:
                    EXPECT_EQ(value.find('/'), std::string::npos);
            }
        }
    }
}

TEST(SimStatusObjects, PublishesExactlyTheMonitorsIndicesInOrder) {
    std::vector<int> published;
    for (const auto& object : publishedObjects()) {
        published.push_back(object.index);
    }
    std::vector<int> expected;
    for (const auto& [index, forms] : monitorTable()) {
        expected.push_back(index);
    }
    EXPECT_EQ(published, expected);
    EXPECT_FALSE(statusValues(VehicleStatus{}, 9999));
}

TEST(SimStatusObjects, ValuesFitTheMonitorsTableThroughoutARun) {
    ModelSettings settings;
    settings.seed = 3;
    VehicleModel model(settings);
    expectMonitorCanRead(statusMessages(model.readout()));
    for (int i = 0; i < 200; ++i) {
        model.advance(0.01);
    }
    ASSERT_TRUE(model.servo(1).ok);
    for (int i = 0; i < 100; ++i) {
        model.advance(0.01);
    }
    ASSERT_TRUE(model.setMode(kModeAutomatic).ok);
    ASSERT_TRUE(model.setGoalList({5, 18, 17}).ok);
    ASSERT_TRUE(model.startGoal(3).ok);
    for (int i = 0; i < 10000 && !model.endOfRoute(); ++i) {
        model.advance(0.01);
        if (i % 97 == 0) {
            expectMonitorCanRead(statusMessages(model.readout()));
        }
    }
    EXPECT_TRUE(model.endOfRoute());
    expectMonitorCanRead(statusMessages(model.readout()));
}

TEST(SimStatusObjects, UnitsOfTheController) {
    VehicleStatus status;
    status.actualVelocity = 15000;  // 1.5 m/s in 0.1 mm/s
    status.runDistance = 24.4F;
    status.front.actualRpm = 3667.25F;
    status.rear.actualRpm = -12.0F;
    status.alarmFault = {"E201", "brakeLck"};
    status.inTcz = true;
    EXPECT_EQ(statusValues(status, 4034), "15000");
    EXPECT_EQ(statusValues(status, 4061), "24.400");
    EXPECT_EQ(statusValues(status, 7028), "3667.2/-12.0");
    EXPECT_EQ(statusValues(status, 500), "E201/brakeLck");
    EXPECT_EQ(statusValues(status, 501), "/");
    EXPECT_EQ(statusValues(status, 3065), "1");
    EXPECT_EQ(statusValues(status, 3011), "0/-1/-1/0/0/0/0");
}

TEST(SimStatusObjects, EachObjectGoesOutAFewToTwentyTimesASecond) {
    for (const auto& object : publishedObjects()) {
        EXPECT_GE(object.periodMs, 50) << object.index;
        EXPECT_LE(object.periodMs, 500) << object.index;
    }
}

TEST(SimPublishSchedule, KeepsEveryPeriodAndSpreadsTheLoad) {
    PublishSchedule schedule(publishedObjects(), 0);
    std::map<int, std::vector<std::int64_t>> sent;
    std::size_t busiest = 0;
    for (std::int64_t ms = 0; ms < 10000; ++ms) {
        const auto due = schedule.due(ms);
        busiest = std::max(busiest, due.size());
        for (int index : due) {
            sent[index].push_back(ms);
        }
    }
    for (const auto& object : publishedObjects()) {
        const auto& times = sent[object.index];
        EXPECT_NEAR(static_cast<double>(times.size()), 10000.0 / object.periodMs, 1.0) << object.index;
        for (std::size_t i = 1; i < times.size(); ++i) {
            ASSERT_EQ(times[i] - times[i - 1], object.periodMs) << object.index;
        }
    }
    EXPECT_LE(busiest, 6u);
}

TEST(SimPublishSchedule, AStalledCallerGetsEachObjectOnceNotABurst) {
    PublishSchedule schedule(publishedObjects(), 0);
    EXPECT_FALSE(schedule.due(0).empty());
    const auto late = schedule.due(5000);
    EXPECT_EQ(late.size(), publishedObjects().size());
    EXPECT_GT(schedule.untilNext(5000), 0);
    EXPECT_LE(schedule.untilNext(5000), 50);
}

}  // namespace
}  // namespace kova::sim
