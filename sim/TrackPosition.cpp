#include "sim/TrackPosition.h"

#include <algorithm>
#include <cmath>

namespace kova::sim {

std::optional<int> pointAt(const TrackMap& map, const Location& location) {
    const TrackSegment* segment = map.segment(location.segment);
    if (segment == nullptr) {
        return std::nullopt;
    }
    if (location.offset >= segment->length - kPointTolerance) {
        return segment->to;
    }
    if (location.offset <= kPointTolerance) {
        return segment->from;
    }
    return std::nullopt;
}

int barcodeAt(const TrackMap& map, const Location& location) {
    const TrackSegment* segment = map.segment(location.segment);
    if (segment == nullptr) {
        return 0;
    }
    const double from = map.point(segment->from)->barcode;
    const double to = map.point(segment->to)->barcode;
    const double fraction = std::clamp(location.offset / segment->length, 0.0, 1.0);
    return static_cast<int>(std::lround(from + (to - from) * fraction));
}

namespace {

void moveForward(const TrackMap& map, Movement& move) {
    Location& at = move.location;
    for (const TrackSegment* segment = map.segment(at.segment); at.offset >= segment->length;) {
        const auto next = map.outgoing(segment->to);
        if (at.offset == segment->length || next.empty()) {
            move.pointsReached.push_back(segment->to);
            move.blocked = at.offset > segment->length;
            at.offset = segment->length;
            return;
        }
        move.pointsReached.push_back(segment->to);
        at.offset -= segment->length;
        segment = next.front();
        at.segment = segment->id;
    }
}

void moveBackward(const TrackMap& map, Movement& move) {
    Location& at = move.location;
    for (const TrackSegment* segment = map.segment(at.segment); at.offset <= 0.0;) {
        const auto previous = map.incoming(segment->from);
        if (at.offset == 0.0 || previous.empty()) {
            move.pointsReached.push_back(segment->from);
            move.blocked = at.offset < 0.0;
            at.offset = 0.0;
            return;
        }
        move.pointsReached.push_back(segment->from);
        segment = previous.front();
        at.segment = segment->id;
        at.offset += segment->length;
    }
}

}  // namespace

Movement moveAlong(const TrackMap& map, Location location, double distance) {
    Movement move;
    move.location = location;
    if (map.segment(location.segment) == nullptr || distance == 0.0) {
        return move;
    }
    move.location.offset += distance;
    if (distance > 0.0) {
        moveForward(map, move);
    } else {
        moveBackward(map, move);
    }
    return move;
}

}  // namespace kova::sim
