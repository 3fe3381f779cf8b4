#include "sim/RouteDriver.h"

#include <algorithm>

namespace kova::sim {

namespace {

std::vector<double> legStartsOf(const Route& route) {
    std::vector<double> starts;
    double at = 0.0;
    for (const auto& leg : route.legs) {
        starts.push_back(at);
        at += leg.length();
    }
    return starts;
}

std::vector<SpeedZone> zonesOf(const TrackMap& map, const Route& route, const std::vector<double>& starts) {
    std::vector<SpeedZone> zones;
    for (std::size_t i = 0; i < route.legs.size(); ++i) {
        const RouteLeg& leg = route.legs[i];
        zones.push_back({starts[i], starts[i] + leg.length(), map.segment(leg.segment)->maxVelocity});
    }
    return zones;
}

}  // namespace

RouteDriver::RouteDriver(const TrackMap& map, Route route, const ProfileLimits& limits)
    : map_(map),
      route_(std::move(route)),
      legStarts_(legStartsOf(route_)),
      profile_(route_.length(), limits, zonesOf(map_, route_, legStarts_)) {}

void RouteDriver::step(double dt, ObstacleLevel obstacle) {
    profile_.step(dt, obstacle);
    followPosition();
}

// Moves the leg index on to the leg under the profile's position; every leg left behind means its
// end point was reached.
void RouteDriver::followPosition() {
    const double position = profile_.position();
    const int last = static_cast<int>(route_.legs.size()) - 1;
    while (leg_ < last && position > legStarts_[leg_ + 1]) {
        reached_.push_back(map_.segment(route_.legs[leg_].segment)->to);
        ++leg_;
    }
    if (profile_.finished() && !finalPointReported_) {
        finalPointReported_ = true;
        if (last >= 0) {
            reached_.push_back(map_.segment(route_.legs[last].segment)->to);
        }
    }
}

Location RouteDriver::location() const {
    if (route_.legs.empty()) {
        return route_.start;
    }
    const RouteLeg& leg = route_.legs[leg_];
    const double along = profile_.position() - legStarts_[leg_];
    return {leg.segment, std::min(leg.endOffset, leg.startOffset + along)};
}

std::vector<int> RouteDriver::upcomingSegments(std::size_t count) const {
    std::vector<int> ids;
    for (std::size_t i = leg_; i < route_.legs.size() && ids.size() < count; ++i) {
        ids.push_back(route_.legs[i].segment);
    }
    return ids;
}

std::vector<int> RouteDriver::takeReachedPoints() {
    std::vector<int> points;
    points.swap(reached_);
    return points;
}

}  // namespace kova::sim
