#pragma once

#include <optional>
#include <vector>

#include "sim/TrackMap.h"

namespace kova::sim {

// Where the vehicle is: a segment and the distance travelled along it (mm, 0 to its length).
struct Location {
    int segment = 0;
    double offset = 0.0;
};

// Result of moving along the track.
struct Movement {
    Location location;
    std::vector<int> pointsReached;  // in the order they were reached
    bool blocked = false;            // the track ended before the whole distance was covered
};

// Distance within which the vehicle counts as standing on a point (mm).
constexpr double kPointTolerance = 0.5;

// The point the vehicle stands on, if it is within kPointTolerance of either end of its segment.
std::optional<int> pointAt(const TrackMap& map, const Location& location);

// The barcode mark under the camera: interpolated between the marks of the segment's two points.
int barcodeAt(const TrackMap& map, const Location& location);

// Moves by `distance` mm (negative: backwards). At a branch the main line (lowest segment id) is
// taken; at a dead end the vehicle stops there and the movement is blocked.
Movement moveAlong(const TrackMap& map, Location location, double distance);

}  // namespace kova::sim
