// The simulator's status stream: every object of the protocol, with the value counts and kinds of
// its layout, at rates between a few and twenty messages a second.
#include <cmath>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "protocol/StatusLayout.h"
#include "sim/PublishSchedule.h"
#include "sim/RequestBody.h"
#include "sim/StatusObjects.h"
#include "sim/StatusSubscriptions.h"
#include "sim/VehicleModel.h"

namespace kova::sim {
namespace {

bool isFloat(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

// Every published message holds its object's values in the layout's count, each readable as its
// kind. (The publisher refuses to write a value of the wrong kind or count; this also catches a
// float that prints as "nan" or "inf".)
void expectLayoutsKept(const std::vector<StatusMessage>& messages) {
    ASSERT_EQ(messages.size(), protocol::kStatusLayouts.size());
    for (std::size_t m = 0; m < messages.size(); ++m) {
        const StatusMessage& message = messages[m];
        const protocol::ObjectLayout& layout = protocol::kStatusLayouts[m];
        ASSERT_EQ(message.index, layout.index());
        const auto values = splitFields(message.values);
        ASSERT_EQ(values.size(), layout.valueCount()) << message.index << ": " << message.values;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string& value = values[i];
            switch (layout.kind(i)) {
                case protocol::ValueKind::Int:
                    EXPECT_TRUE(parseInteger(value)) << message.index << " value " << i + 1 << ": " << value;
                    break;
                case protocol::ValueKind::Float:
                    EXPECT_TRUE(isFloat(value)) << message.index << " value " << i + 1 << ": " << value;
                    break;
                case protocol::ValueKind::IntFlag:
                case protocol::ValueKind::TextFlag:
                    EXPECT_TRUE(value == "0" || value == "1") << message.index << ": " << value;
                    break;
                case protocol::ValueKind::Text:
                    break;
            }
        }
    }
}

TEST(SimStatusObjects, ValuesKeepTheirLayoutsThroughoutARun) {
    ModelSettings settings;
    settings.seed = 3;
    VehicleModel model(settings);
    expectLayoutsKept(statusMessages(model.readout()));
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
            expectLayoutsKept(statusMessages(model.readout()));
        }
    }
    EXPECT_TRUE(model.endOfRoute());
    expectLayoutsKept(statusMessages(model.readout()));
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
    EXPECT_FALSE(statusValues(status, 9999));
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


// The published objects whose index text the subscriptions want.
std::set<std::string> wanted(const StatusSubscriptions& subscriptions) {
    std::set<std::string> indices;
    for (std::size_t i = 0; i < publishedObjects().size(); ++i) {
        if (subscriptions.wants(i)) {
            indices.insert(publishedIndexTexts()[i]);
        }
    }
    return indices;
}

bool apply(StatusSubscriptions& subscriptions, char kind, const std::string& prefix) {
    const std::string message = kind + prefix;
    return subscriptions.apply(message.data(), message.size());
}

TEST(SimStatusSubscriptions, PrefixesAreBytePrefixesOfTheIndexAndTheEmptyOneWantsAll) {
    StatusSubscriptions subscriptions;
    EXPECT_FALSE(subscriptions.wantsAny());
    EXPECT_TRUE(apply(subscriptions, 1, "50"));
    EXPECT_TRUE(apply(subscriptions, 1, "4034"));
    EXPECT_TRUE(apply(subscriptions, 1, "40340"));  // longer than any index: wants nothing more
    EXPECT_EQ(wanted(subscriptions), (std::set<std::string>{"500", "5001", "5002", "501", "4034"}));
    EXPECT_FALSE(apply(subscriptions, 1, "50"));      // held already
    EXPECT_FALSE(apply(subscriptions, 2, "111"));     // not a subscription message
    EXPECT_FALSE(subscriptions.apply("", 0));
    EXPECT_TRUE(apply(subscriptions, 0, "50"));
    EXPECT_EQ(wanted(subscriptions), (std::set<std::string>{"4034"}));
    EXPECT_TRUE(apply(subscriptions, 1, ""));
    EXPECT_EQ(wanted(subscriptions).size(), publishedObjects().size());
    EXPECT_TRUE(apply(subscriptions, 0, ""));
    EXPECT_TRUE(apply(subscriptions, 0, "4034"));
    EXPECT_TRUE(apply(subscriptions, 0, "40340"));
    EXPECT_FALSE(subscriptions.wantsAny());
}

}  // namespace
}  // namespace kova::sim
