#include "sim/RoutePlanner.h"

namespace kova::sim {

double Route::length() const {
    double total = 0.0;
    for (const auto& leg : legs) {
        total += leg.length();
    }
    return total;
}

std::optional<Route> planRoute(const TrackMap& map, const Location& start, const std::vector<int>& goals,
                               std::string& error) {
    const TrackSegment* segment = map.segment(start.segment);
    if (segment == nullptr) {
        error = "vehicle position unknown";
        return std::nullopt;
    }
    if (goals.empty()) {
        error = "no goal point";
        return std::nullopt;
    }
    Route route;
    route.start = start;
    route.goals = goals;
    int from = 0;
    if (const auto standing = pointAt(map, start)) {
        from = *standing;
    } else {
        route.legs.push_back({segment->id, start.offset, segment->length});
        from = segment->to;
    }
    for (int goal : goals) {
        if (map.point(goal) == nullptr) {
            error = "unknown point " + std::to_string(goal);
            return std::nullopt;
        }
        const auto path = map.shortestPath(from, goal);
        if (!path) {
            error = "no route from " + std::to_string(from) + " to " + std::to_string(goal);
            return std::nullopt;
        }
        for (int id : *path) {
            route.legs.push_back({id, 0.0, map.segment(id)->length});
        }
        from = goal;
    }
    return route;
}

}  // namespace kova::sim
