// The velocity profile and the route driver: phases in order, limits kept, stopping exactly on the goal.
#include <gtest/gtest.h>

#include "sim/RouteDriver.h"
#include "sim/VelocityProfile.h"

namespace kova::sim {
namespace {

constexpr double kStep = 0.01;

// Drives the profile to its end (bounded) and returns the phases in the order they came, each once.
std::vector<VelocityPhase> phasesOf(VelocityProfile& profile, int maxSteps = 200000) {
    std::vector<VelocityPhase> phases{profile.phase()};
    profile.start();
    for (int i = 0; i < maxSteps && !profile.finished(); ++i) {
        profile.step(kStep);
        if (profile.phase() != phases.back()) {
            phases.push_back(profile.phase());
        }
    }
    return phases;
}

TEST(SimVelocityProfile, ALongWayGoesThroughEveryPhaseInOrder) {
    VelocityProfile profile(20000.0, ProfileLimits{});
    const std::vector<VelocityPhase> expected = {VelocityPhase::Before,   VelocityPhase::Accel,
                                                 VelocityPhase::Constant, VelocityPhase::Decel,
                                                 VelocityPhase::Creep,    VelocityPhase::Finish};
    EXPECT_EQ(phasesOf(profile), expected);
}

TEST(SimVelocityProfile, AShortWayNeverReachesTheMaximum) {
    VelocityProfile profile(1000.0, ProfileLimits{});
    const auto phases = phasesOf(profile);
    EXPECT_EQ(std::count(phases.begin(), phases.end(), VelocityPhase::Constant), 0);
    EXPECT_LT(profile.cruiseVelocity(), ProfileLimits{}.maxVelocity);
    EXPECT_TRUE(profile.finished());
}

TEST(SimVelocityProfile, StopsExactlyOnTheGoalForManyDistancesAndSteps) {
    for (double distance : {0.0, 0.3, 25.0, 39.9, 40.0, 41.0, 333.3, 2400.0, 24400.0, 100000.0}) {
        for (double step : {0.001, 0.004, 0.01}) {
            VelocityProfile profile(distance, ProfileLimits{});
            profile.start();
            double previous = 0.0;
            for (int i = 0; i < 2000000 && !profile.finished(); ++i) {
                profile.step(step);
                ASSERT_GE(profile.position(), previous) << "moved backwards at " << distance;
                ASSERT_LE(profile.position(), distance) << "overshot " << distance;
                previous = profile.position();
            }
            ASSERT_TRUE(profile.finished()) << distance << " with step " << step;
            EXPECT_EQ(profile.position(), distance);
            EXPECT_EQ(profile.velocity(), 0.0);
            EXPECT_EQ(profile.remaining(), 0.0);
        }
    }
}

TEST(SimVelocityProfile, NeverFasterThanTheLimitsAndCreepsAtTheEnd) {
    const ProfileLimits limits;
    VelocityProfile profile(20000.0, limits, {{4000.0, 6000.0, 800.0}});
    profile.start();
    double peak = 0.0;
    while (!profile.finished()) {
        const double before = profile.velocity();
        profile.step(kStep);
        peak = std::max(peak, profile.velocity());
        // Velocity changes no faster than the acceleration and deceleration allow (the last step
        // from creep velocity onto the goal stops at once).
        ASSERT_LE(profile.velocity() - before, limits.acceleration * kStep + 1e-9);
        if (!profile.finished()) {
            ASSERT_GE(profile.velocity() - before, -limits.deceleration * kStep - 1e-9);
        } else {
            ASSERT_LE(before, limits.creepVelocity + 1e-9);
        }
        if (profile.position() >= 4000.0 && profile.position() < 6000.0) {
            ASSERT_LE(profile.velocity(), 800.0 + limits.deceleration * kStep) << profile.position();
        }
        if (profile.remaining() < limits.creepDistance && !profile.finished()) {
            ASSERT_EQ(profile.phase(), VelocityPhase::Creep);
            ASSERT_LE(profile.velocity(), limits.creepVelocity + limits.deceleration * kStep);
        }
    }
    EXPECT_NEAR(peak, limits.maxVelocity, 1e-6);
}

TEST(SimVelocityProfile, StandsInTheBeforePhaseUntilStarted) {
    VelocityProfile profile(5000.0, ProfileLimits{});
    for (int i = 0; i < 100; ++i) {
        profile.step(kStep);
    }
    EXPECT_EQ(profile.phase(), VelocityPhase::Before);
    EXPECT_EQ(profile.position(), 0.0);
}

TEST(SimVelocityProfile, ObstaclesSlowAndStopTheVehicleAndItGoesOnAfterwards) {
    VelocityProfile profile(30000.0, ProfileLimits{});
    profile.start();
    for (int i = 0; i < 500; ++i) {
        profile.step(kStep);
    }
    for (int i = 0; i < 500; ++i) {
        profile.step(kStep, ObstacleLevel::Slow);
    }
    EXPECT_EQ(profile.phase(), VelocityPhase::Slow);
    EXPECT_NEAR(profile.velocity(), ProfileLimits{}.slowFactor * ProfileLimits{}.maxVelocity, 1e-6);
    for (int i = 0; i < 300; ++i) {
        profile.step(kStep, ObstacleLevel::Stop);
    }
    EXPECT_EQ(profile.phase(), VelocityPhase::Stop);
    EXPECT_EQ(profile.velocity(), 0.0);
    const double held = profile.position();
    profile.step(kStep, ObstacleLevel::Stop);
    EXPECT_EQ(profile.position(), held);
    profile.step(kStep);
    EXPECT_EQ(profile.phase(), VelocityPhase::Accel);
    while (!profile.finished()) {
        profile.step(kStep);
    }
    EXPECT_EQ(profile.position(), 30000.0);
}

TEST(SimVelocityProfile, AnEmergencyStopBrakesHarderThanAStop) {
    auto brakingDistance = [](ObstacleLevel level) {
        VelocityProfile profile(50000.0, ProfileLimits{});
        profile.start();
        for (int i = 0; i < 400; ++i) {
            profile.step(kStep);
        }
        const double from = profile.position();
        while (profile.velocity() > 0.0) {
            profile.step(kStep, level);
        }
        return profile.position() - from;
    };
    EXPECT_LT(brakingDistance(ObstacleLevel::EmergencyStop), brakingDistance(ObstacleLevel::Stop) / 2.0);
}

TEST(SimRouteDriver, ReportsEveryPointOfTheRouteOnceAndEndsOnTheGoal) {
    const TrackMap map = builtInTrackMap();
    std::string error;
    RouteDriver driver(map, *planRoute(map, {1, 0.0}, {15}, error), ProfileLimits{});
    driver.start();
    std::vector<int> points;
    std::vector<int> segments;
    for (int i = 0; i < 100000 && !driver.finished(); ++i) {
        driver.step(kStep, ObstacleLevel::None);
        const auto reached = driver.takeReachedPoints();
        points.insert(points.end(), reached.begin(), reached.end());
        if (segments.empty() || segments.back() != driver.location().segment) {
            segments.push_back(driver.location().segment);
        }
    }
    ASSERT_TRUE(driver.finished());
    EXPECT_EQ(points, (std::vector<int>{2, 3, 11, 12, 13, 14, 15}));
    EXPECT_EQ(segments, (std::vector<int>{1, 2, 9, 10, 11, 12, 13}));
    EXPECT_EQ(driver.location().segment, 13);
    EXPECT_EQ(driver.location().offset, 3000.0);
    EXPECT_TRUE(driver.takeReachedPoints().empty());
}

TEST(SimRouteDriver, KeepsEachSegmentsVelocityLimit) {
    const TrackMap map = builtInTrackMap();
    std::string error;
    RouteDriver driver(map, *planRoute(map, {1, 0.0}, {15}, error), ProfileLimits{});
    driver.start();
    const double slack = ProfileLimits{}.deceleration * kStep;
    while (!driver.finished()) {
        driver.step(kStep, ObstacleLevel::None);
        const TrackSegment* segment = map.segment(driver.location().segment);
        ASSERT_LE(driver.profile().velocity(), segment->maxVelocity + slack)
            << "segment " << segment->id << " at " << driver.location().offset;
    }
}

TEST(SimRouteDriver, UpcomingSegmentsStartAtTheCurrentLeg) {
    const TrackMap map = builtInTrackMap();
    std::string error;
    RouteDriver driver(map, *planRoute(map, {1, 0.0}, {15}, error), ProfileLimits{});
    EXPECT_EQ(driver.upcomingSegments(5), (std::vector<int>{1, 2, 9, 10, 11}));
    driver.start();
    while (driver.location().segment != 11) {
        driver.step(kStep, ObstacleLevel::None);
    }
    EXPECT_EQ(driver.upcomingSegments(5), (std::vector<int>{11, 12, 13}));
}

}  // namespace
}  // namespace kova::sim
