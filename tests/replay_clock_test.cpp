// The replay's clock stays within its span whatever the keys and the recorded times ask for (the
// keys at the span's end: terminal_recorder_test).
#include <chrono>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "app/ReplayClock.h"

namespace kova {
namespace {

using namespace std::chrono_literals;
using Clock = ReplayClock::Clock;

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
