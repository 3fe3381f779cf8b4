#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/TrackMap.h"
#include "sim/TrackPosition.h"

namespace kova::sim {

// One piece of a route: a segment driven from one offset to another (mm along the segment).
struct RouteLeg {
    int segment = 0;
    double startOffset = 0.0;
    double endOffset = 0.0;
    double length() const { return endOffset - startOffset; }
};

// A planned way from where the vehicle stands through every goal point, in order.
struct Route {
    Location start;
    std::vector<RouteLeg> legs;
    std::vector<int> goals;
    double length() const;
};

// Plans from `start` through `goals` over the map's shortest paths. A vehicle between two points
// first drives on to the end of its segment. On failure returns nothing and says why in `error`.
std::optional<Route> planRoute(const TrackMap& map, const Location& start, const std::vector<int>& goals,
                               std::string& error);

}  // namespace kova::sim
