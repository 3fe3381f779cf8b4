// The replay's clock stays within its session whatever the keys and the recorded times ask for.
#include <chrono>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "app/ReplayClock.h"

namespace kova {
namespace {

using namespace std::chrono_literals;
using Clock = ReplayClock::Clock;

TEST(ReplayClock, StaysWithinItsSpanAndStepsBackFromTheEnd) {
    const Clock::time_point t0{};
    ReplayClock clock(1'000, 21'000, 1, t0);
    EXPECT_EQ(clock.position(t0 + 10us), 11'000);
    EXPECT_EQ(clock.position(t0 + 1h), 21'000) << "the clock stops at the end";
    EXPECT_TRUE(clock.atEnd(t0 + 1h));
    // Right at the end stays there; Left from the end goes back and plays on.
    clock.moveTo(clock.position(t0 + 1h), t0 + 1h, 10'000);
    EXPECT_EQ(clock.position(t0 + 1h), 21'000);
    clock.moveTo(clock.position(t0 + 1h), t0 + 1h, -10'000);
    EXPECT_EQ(clock.position(t0 + 1h), 11'000);
    EXPECT_EQ(clock.position(t0 + 1h + 5us), 16'000);
    clock.moveTo(clock.position(t0 + 1h), t0 + 1h, -1'000'000);
    EXPECT_EQ(clock.position(t0 + 1h), 1'000);
}

TEST(ReplayClock, NoRecordedTimeOrSpeedOverflowsIt) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const Clock::time_point t0 = Clock::now();
    ReplayClock clock(kMin, kMax, 1e9, t0);
    EXPECT_EQ(clock.speed(), ReplayClock::kFastest);
    EXPECT_EQ(clock.position(t0 + 24h * 365 * 100), kMax);
    clock.moveTo(kMax, t0, kMax);
    EXPECT_EQ(clock.position(t0), kMax);
    clock.moveTo(kMin, t0, kMin);
    EXPECT_EQ(clock.position(t0), kMin);
    EXPECT_FALSE(clock.setSpeed(1e-9, t0));
    EXPECT_EQ(clock.speed(), ReplayClock::kSlowest);
    // An event at the other end of int64 is due in a day at most, not at an overflowed time.
    const Clock::time_point due = clock.dueAt(kMax);
    EXPECT_GT(due, t0);
    EXPECT_LE(due, t0 + 25h);
    EXPECT_TRUE(clock.setSpeed(2, t0));
}

}  // namespace
}  // namespace kova
