// The simulator's track: the built-in map, shortest paths, route planning and moving along segments.
#include <gtest/gtest.h>

#include "sim/RoutePlanner.h"
#include "sim/TrackMap.h"
#include "sim/TrackPosition.h"

namespace kova::sim {
namespace {

TEST(SimTrackMap, EveryPointCanReachEveryOtherPoint) {
    const TrackMap map = builtInTrackMap();
    for (const auto& from : map.points()) {
        for (const auto& to : map.points()) {
            const auto path = map.shortestPath(from.id, to.id);
            ASSERT_TRUE(path) << from.id << " -> " << to.id;
            // The path is connected and ends where it should.
            int at = from.id;
            for (int id : *path) {
                ASSERT_EQ(map.segment(id)->from, at) << from.id << " -> " << to.id;
                at = map.segment(id)->to;
            }
            EXPECT_EQ(at, to.id);
        }
    }
}

TEST(SimTrackMap, ShortestPathsOfTheBuiltInMap) {
    const TrackMap map = builtInTrackMap();
    struct Case {
        int from;
        int to;
        std::vector<int> segments;
    };
    const Case cases[] = {
        {1, 15, {1, 2, 9, 10, 11, 12, 13}},  // through the bay, not round the main loop
        {1, 1, {}},
        {1, 4, {1, 2, 3}},
        {13, 14, {12}},  // the arc is shorter than the waiting buffer
        {13, 18, {18}},
        {15, 17, {16}},
        {16, 1, {15, 7, 8}},
        {8, 2, {8, 1}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(map.shortestPath(c.from, c.to), c.segments) << c.from << " -> " << c.to;
    }
    EXPECT_FALSE(map.shortestPath(1, 99));
    EXPECT_FALSE(map.shortestPath(99, 1));
}

TEST(SimTrackMap, AMapWithAOneWayDeadEndHasNoWayBack) {
    const TrackMap map({{1, 0}, {2, 100}, {3, 200}}, {{1, 1, 2, PathKind::Line, 100, 1000, "RR", false},
                                                      {2, 2, 3, PathKind::Line, 100, 1000, "RR", false}});
    EXPECT_EQ(map.shortestPath(1, 3), (std::vector<int>{1, 2}));
    EXPECT_FALSE(map.shortestPath(3, 1));
}

TEST(SimTrackMap, RejectsInconsistentMaps) {
    EXPECT_THROW(TrackMap({{1, 0}}, {{1, 1, 2, PathKind::Line, 100, 1000, "RR", false}}),
                 std::invalid_argument);
    EXPECT_THROW(TrackMap({{1, 0}, {1, 5}}, {}), std::invalid_argument);
    EXPECT_THROW(TrackMap({{1, 0}, {2, 5}}, {{1, 1, 2, PathKind::Line, 0, 1000, "RR", false}}),
                 std::invalid_argument);
    EXPECT_THROW(TrackMap({{1, 0}, {2, 5}}, {{1, 1, 2, PathKind::Line, 10, 1000, "RR", false},
                                             {1, 2, 1, PathKind::Line, 10, 1000, "RR", false}}),
                 std::invalid_argument);
}

TEST(SimRoutePlanner, FromAPointTheRouteIsTheShortestPath) {
    const TrackMap map = builtInTrackMap();
    std::string error;
    const auto route = planRoute(map, {1, 0.0}, {15}, error);
    ASSERT_TRUE(route) << error;
    ASSERT_EQ(route->legs.size(), 7u);
    EXPECT_DOUBLE_EQ(route->length(), 24400.0);
    EXPECT_EQ(route->legs.back().segment, 13);
}

TEST(SimRoutePlanner, BetweenPointsTheVehicleFirstFinishesItsSegment) {
    const TrackMap map = builtInTrackMap();
    std::string error;
    const auto route = planRoute(map, {3, 2000.0}, {5}, error);
    ASSERT_TRUE(route) << error;
    ASSERT_EQ(route->legs.size(), 2u);
    EXPECT_EQ(route->legs[0].segment, 3);
    EXPECT_DOUBLE_EQ(route->legs[0].startOffset, 2000.0);
    EXPECT_DOUBLE_EQ(route->length(), 6000.0 + 2400.0);
}

TEST(SimRoutePlanner, AListOfGoalsIsDrivenInOrder) {
    const TrackMap map = builtInTrackMap();
    std::string error;
    const auto route = planRoute(map, {1, 0.0}, {3, 18, 15}, error);
    ASSERT_TRUE(route) << error;
    std::vector<int> segments;
    for (const auto& leg : route->legs) {
        segments.push_back(leg.segment);
    }
    EXPECT_EQ(segments, (std::vector<int>{1, 2, 9, 10, 11, 18, 19, 13}));
}

TEST(SimRoutePlanner, StandingOnTheGoalGivesAnEmptyRoute) {
    const TrackMap map = builtInTrackMap();
    std::string error;
    const auto route = planRoute(map, {13, 3000.0}, {15}, error);  // the end of segment 13 is point 15
    ASSERT_TRUE(route) << error;
    EXPECT_TRUE(route->legs.empty());
}

TEST(SimRoutePlanner, UnknownGoalsAreRefusedWithAReason) {
    const TrackMap map = builtInTrackMap();
    std::string error;
    EXPECT_FALSE(planRoute(map, {1, 0.0}, {42}, error));
    EXPECT_EQ(error, "unknown point 42");
    EXPECT_FALSE(planRoute(map, {1, 0.0}, {}, error));
    EXPECT_FALSE(planRoute(map, {77, 0.0}, {15}, error));
}

TEST(SimTrackPosition, MovingForwardCrossesPointsOntoTheMainLine) {
    const TrackMap map = builtInTrackMap();
    // From the middle of segment 2 (2 -> 3, 2400 mm) on past point 3: the main line is segment 3.
    const Movement move = moveAlong(map, {2, 1200.0}, 1500.0);
    EXPECT_EQ(move.location.segment, 3);
    EXPECT_NEAR(move.location.offset, 300.0, 1e-9);
    EXPECT_EQ(move.pointsReached, std::vector<int>{3});
    EXPECT_FALSE(move.blocked);
}

TEST(SimTrackPosition, MovingBackCrossesPointsOntoTheIncomingSegment) {
    const TrackMap map = builtInTrackMap();
    const Movement move = moveAlong(map, {1, 100.0}, -300.0);  // back past point 1 onto segment 8
    EXPECT_EQ(move.location.segment, 8);
    EXPECT_NEAR(move.location.offset, 2200.0, 1e-9);
    EXPECT_EQ(move.pointsReached, std::vector<int>{1});
}

TEST(SimTrackPosition, ADeadEndStopsTheMovement) {
    const TrackMap map({{1, 0}, {2, 100}}, {{1, 1, 2, PathKind::Line, 100, 1000, "RR", false}});
    const Movement ahead = moveAlong(map, {1, 50.0}, 80.0);
    EXPECT_TRUE(ahead.blocked);
    EXPECT_DOUBLE_EQ(ahead.location.offset, 100.0);
    const Movement back = moveAlong(map, {1, 50.0}, -80.0);
    EXPECT_TRUE(back.blocked);
    EXPECT_DOUBLE_EQ(back.location.offset, 0.0);
    EXPECT_EQ(back.pointsReached, std::vector<int>{1});
}

TEST(SimTrackPosition, PointsAndBarcodesAlongASegment) {
    const TrackMap map = builtInTrackMap();
    EXPECT_EQ(pointAt(map, {13, 0.0}), 14);
    EXPECT_EQ(pointAt(map, {13, 3000.0}), 15);
    EXPECT_EQ(pointAt(map, {13, 2999.8}), 15);
    EXPECT_FALSE(pointAt(map, {13, 1500.0}));
    EXPECT_EQ(barcodeAt(map, {13, 0.0}), map.point(14)->barcode);
    EXPECT_EQ(barcodeAt(map, {13, 1500.0}), (map.point(14)->barcode + map.point(15)->barcode) / 2);
    EXPECT_EQ(barcodeAt(map, {13, 3000.0}), map.point(15)->barcode);
}

}  // namespace
}  // namespace kova::sim
