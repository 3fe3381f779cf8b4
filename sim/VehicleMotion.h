#pragma once

#include <vector>

#include "sim/RouteDriver.h"
#include "sim/SimEvents.h"
#include "sim/TrackMap.h"
#include "sim/TrackPosition.h"

namespace kova::sim {

// Where the vehicle is and how it moves: its place on the track and the last point it passed, its
// velocity, the distance it has travelled, and the manual jog. In automatic operation it follows
// the route driver; otherwise it jogs. Lengths in mm, velocities in mm/s, times in s. Not
// thread-safe: it belongs to the model's thread.
class VehicleMotion {
public:
    // Starts standing on the first point of `start`. `map` must outlive the motion.
    VehicleMotion(const TrackMap& map, const TrackSegment& start, double jogVelocity, double jogAcceleration);

    // Sets the jog direction: 1 forward, -1 back, 0 stop (the vehicle then brakes at the jog
    // deceleration).
    void jog(int direction) { jogDirection_ = direction; }
    // One jog step. While `allowed` is false the vehicle brakes to a standstill instead. Returns
    // true when the track ended under the vehicle: it then stands there and the jog is stopped.
    bool advanceJog(double dt, bool allowed, EventLog& log);
    // Takes over the position and velocities of `route` after one of its steps, which moved the
    // vehicle by `moved`.
    void follow(const RouteDriver& route, double moved);
    // The brake grabbed: no velocity, no acceleration, no jog, at once.
    void halt();
    // A route was dropped at a standstill: no velocity and no target velocity.
    void stop();
    // Notes the points reached, in order; each one the vehicle was not standing on is logged.
    void reachPoints(const std::vector<int>& points, EventLog& log);

    Location location() const { return location_; }
    int currentPoint() const { return currentPo_; }
    double velocity() const { return velocity_; }  // negative when moving back
    double targetVelocity() const { return targetVelocity_; }
    double acceleration() const { return acceleration_; }  // mm/s^2
    double odometer() const { return odometer_; }          // signed travel
    double runDistance() const { return runDistance_; }    // unsigned travel
    int jogDirection() const { return jogDirection_; }
    double jogVelocity() const { return jogVelocity_; }

private:
    const TrackMap& map_;
    double jogVelocity_;
    double jogAcceleration_;
    Location location_;
    int currentPo_ = -1;
    double velocity_ = 0.0;
    double targetVelocity_ = 0.0;
    double acceleration_ = 0.0;
    double odometer_ = 0.0;
    double runDistance_ = 0.0;
    int jogDirection_ = 0;
};

}  // namespace kova::sim
