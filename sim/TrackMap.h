#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol/StateCodes.h"

namespace kova::sim {

// Kind of a path element, numbered as the controller publishes it.
using protocol::PathKind;

// A named place on the track. `barcode` is the mark the barcode camera reads there (mm).
struct TrackPoint {
    int id = 0;
    int barcode = 0;
};

// A one-way piece of track from one point to another. Lengths in mm, velocities in mm/s.
struct TrackSegment {
    int id = 0;
    int from = 0;
    int to = 0;
    PathKind kind = PathKind::Line;
    double length = 0.0;
    double maxVelocity = 0.0;
    std::string steer;   // steering keyword the vehicle needs on this segment
    bool inTcz = false;  // part of a traffic control zone
};

// The track: points joined by directed segments. Immutable once built.
class TrackMap {
public:
    // Throws std::invalid_argument when a segment names an unknown point, an id repeats, or a length or
    // velocity is not positive.
    TrackMap(std::vector<TrackPoint> points, std::vector<TrackSegment> segments);

    const TrackPoint* point(int id) const;
    const TrackSegment* segment(int id) const;
    const std::vector<TrackPoint>& points() const { return points_; }
    const std::vector<TrackSegment>& segments() const { return segments_; }

    // Segments leaving / entering a point, in ascending id order (the first is the main line).
    std::vector<const TrackSegment*> outgoing(int pointId) const;
    std::vector<const TrackSegment*> incoming(int pointId) const;

    // The shortest way (by length) from one point to another as segment ids in driving order: empty
    // when from == to, nothing when a point is unknown or the goal cannot be reached.
    std::optional<std::vector<int>> shortestPath(int from, int to) const;

private:
    std::vector<TrackPoint> points_;
    std::vector<TrackSegment> segments_;
};

// The simulator's own track: a main loop with a bay loop, a turntable spur and a waiting buffer.
TrackMap builtInTrackMap();

}  // namespace kova::sim
