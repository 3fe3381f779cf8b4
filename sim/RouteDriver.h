#pragma once

#include <vector>

#include "sim/RoutePlanner.h"
#include "sim/TrackMap.h"
#include "sim/VelocityProfile.h"

namespace kova::sim {

// Drives one planned route with one velocity profile over its whole length; every segment's own
// velocity limit is a speed zone of that profile. Knows, for each step, which leg the vehicle is on.
class RouteDriver {
  public:
    // `map` must outlive the driver.
    RouteDriver(const TrackMap& map, Route route, const ProfileLimits& limits);

    void start() { profile_.start(); }
    // Advances by `dt` seconds of simulated time.
    void step(double dt, ObstacleLevel obstacle);

    bool finished() const { return profile_.finished(); }
    const VelocityProfile& profile() const { return profile_; }
    const Route& route() const { return route_; }

    Location location() const;
    // The leg under the vehicle (the last one once the route is done); -1 for a route without legs.
    int legIndex() const { return route_.legs.empty() ? -1 : leg_; }
    // Segment ids of the route from the current leg on, at most `count`.
    std::vector<int> upcomingSegments(std::size_t count) const;
    // Points reached since the last call, in order.
    std::vector<int> takeReachedPoints();

  private:
    void followPosition();

    const TrackMap& map_;
    Route route_;
    std::vector<double> legStarts_;  // distance from the route's start to each leg's start
    VelocityProfile profile_;
    int leg_ = 0;
    bool finalPointReported_ = false;
    std::vector<int> reached_;
};

}  // namespace kova::sim
