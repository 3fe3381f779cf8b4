#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/CommandResult.h"
#include "sim/RouteDriver.h"
#include "sim/SimEvents.h"
#include "sim/TrackMap.h"
#include "sim/TrackPosition.h"
#include "sim/VelocityProfile.h"

namespace kova::sim {

// What holds a route back: a soft or hard stop until restarted, or a cancel.
enum class RouteHold { None, Soft, Hard, Cancel };

// Automatic driving: the goals the operator set, the route in progress with its start delay, and
// what holds it back. A begun route stands in its Before phase until the drives are ready and a
// short start delay has passed. Lengths in mm, times in s. Not thread-safe: it belongs to the
// model's thread.
class RouteDriving {
public:
    // `map` must outlive the route driving.
    RouteDriving(const TrackMap& map, const ProfileLimits& limits);

    // The goal point and the goal list; refused (not understood) for a point the map does not have.
    CommandResult setGoalPoint(int point, EventLog& log);
    CommandResult setGoalList(const std::vector<int>& points, EventLog& log);
    int goalPoint() const { return goalPoint_; }
    const std::vector<int>& goalList() const { return goalList_; }

    // Plans a route from `from` (last point passed: `fromPoint`) through `goals` and makes it the
    // route in progress, replacing a finished one. Refused when no route leads there.
    CommandResult begin(const std::vector<int>& goals, Location from, int fromPoint, EventLog& log);
    // One step of `dt` seconds: counts the start delay down while `drivesReady`, starting the route
    // when it is over, then drives the profile as slowly as the hold or `obstacle` demands. Returns
    // the distance moved. Only while active().
    double step(double dt, bool drivesReady, ObstacleLevel obstacle, EventLog& log);
    // Holds the route in progress (logging `what`); nothing without one.
    void hold(RouteHold hold, const std::string& what, EventLog& log);
    // Lets a soft or hard stop go, so the route goes on.
    void resume(EventLog& log);
    // The route has ended: nothing holds it any more.
    void release() { hold_ = RouteHold::None; }
    // Drops the route at once.
    void drop();

    // A route is in progress (begun and not yet finished).
    bool active() const { return route_ && !route_->finished(); }
    // The route in progress has left its start delay.
    bool underway() const { return active() && startDelay_ <= 0.0; }
    // The last route has reached its goal (and was not replaced since).
    bool finished() const { return route_ && route_->finished(); }
    // A cancel is holding the route in progress.
    bool cancelling() const { return hold_ == RouteHold::Cancel; }
    // The last route begun, finished or not; null when there is none.
    const RouteDriver* driver() const { return route_.get(); }
    // The final goal of the last route begun.
    int routeGoal() const { return routeGoal_; }
    // Points reached since the last call, in order. Only while driver() is not null.
    std::vector<int> takeReachedPoints() { return route_->takeReachedPoints(); }

private:
    ObstacleLevel holdLevel() const;

    const TrackMap& map_;
    ProfileLimits limits_;
    std::unique_ptr<RouteDriver> route_;
    RouteHold hold_ = RouteHold::None;
    double startDelay_ = 0.0;     // Before phase left once the drives are ready
    double routePosition_ = 0.0;  // the route profile's position at the last step
    int goalPoint_ = 0;
    std::vector<int> goalList_;
    int routeGoal_ = 0;
};

}  // namespace kova::sim
