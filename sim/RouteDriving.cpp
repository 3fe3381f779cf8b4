#include "sim/RouteDriving.h"

#include <algorithm>
#include <sstream>

#include "sim/RoutePlanner.h"

namespace kova::sim {

namespace {

constexpr double kRouteStartDelay = 0.3;  // Before phase once the drives are ready, s

std::string routeText(const Route& route, int from) {
    std::ostringstream text;
    text << "route planned: po " << from << " -> " << route.goals.back() << ", " << route.legs.size()
         << " segments (";
    for (std::size_t i = 0; i < route.legs.size(); ++i) {
        text << (i == 0 ? "" : ">") << route.legs[i].segment;
    }
    text.setf(std::ios::fixed);
    text.precision(3);
    text << "), " << route.length() / 1000.0 << " m";
    return text.str();
}

}  // namespace

RouteDriving::RouteDriving(const TrackMap& map, const ProfileLimits& limits) : map_(map), limits_(limits) {}

CommandResult RouteDriving::setGoalPoint(int point, EventLog& log) {
    if (map_.point(point) == nullptr) {
        return CommandResult::invalid("unknown point " + std::to_string(point));
    }
    goalPoint_ = point;
    log.add("goal point " + std::to_string(point));
    return CommandResult::done();
}

CommandResult RouteDriving::setGoalList(const std::vector<int>& points, EventLog& log) {
    if (points.empty()) {
        return CommandResult::invalid("empty point list");
    }
    for (int point : points) {
        if (map_.point(point) == nullptr) {
            return CommandResult::invalid("unknown point " + std::to_string(point));
        }
    }
    goalList_ = points;
    log.add("goal list of " + std::to_string(points.size()) + " points");
    return CommandResult::done();
}

CommandResult RouteDriving::begin(const std::vector<int>& goals, Location from, int fromPoint,
                                  EventLog& log) {
    std::string error;
    const auto planned = planRoute(map_, from, goals, error);
    if (!planned) {
        return CommandResult::refused(error);
    }
    log.add(routeText(*planned, fromPoint));
    route_ = std::make_unique<RouteDriver>(map_, *planned, limits_);
    routePosition_ = 0.0;
    hold_ = RouteHold::None;
    startDelay_ = kRouteStartDelay;
    routeGoal_ = goals.back();
    return CommandResult::done();
}

ObstacleLevel RouteDriving::holdLevel() const {
    switch (hold_) {
        case RouteHold::Hard:
            return ObstacleLevel::EmergencyStop;
        case RouteHold::Soft:
        case RouteHold::Cancel:
            return ObstacleLevel::Stop;
        default:
            return ObstacleLevel::None;
    }
}

double RouteDriving::step(double dt, bool drivesReady, ObstacleLevel obstacle, EventLog& log) {
    if (startDelay_ > 0.0) {
        if (drivesReady) {
            startDelay_ -= dt;
        }
        if (startDelay_ <= 0.0) {
            route_->start();
            log.add("route started");
        }
    }
    const auto level =
        static_cast<ObstacleLevel>(std::max(static_cast<int>(holdLevel()), static_cast<int>(obstacle)));
    route_->step(dt, level);
    const double position = route_->profile().position();
    const double moved = position - routePosition_;
    routePosition_ = position;
    return moved;
}

void RouteDriving::hold(RouteHold hold, const std::string& what, EventLog& log) {
    if (active()) {
        hold_ = hold;
        log.add(what);
    }
}

void RouteDriving::resume(EventLog& log) {
    if (hold_ == RouteHold::Soft || hold_ == RouteHold::Hard) {
        hold_ = RouteHold::None;
        log.add("route resumed");
    }
}

void RouteDriving::drop() {
    route_.reset();
    hold_ = RouteHold::None;
    startDelay_ = 0.0;
}

}  // namespace kova::sim
