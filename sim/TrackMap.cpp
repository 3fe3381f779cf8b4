#include "sim/TrackMap.h"

#include <algorithm>
#include <limits>
#include <map>
#include <queue>
#include <set>
#include <stdexcept>

namespace kova::sim {

namespace {

void checkUniqueIds(const std::vector<TrackPoint>& points, const std::vector<TrackSegment>& segments) {
    std::set<int> pointIds;
    for (const auto& point : points) {
        if (!pointIds.insert(point.id).second) {
            throw std::invalid_argument("track point " + std::to_string(point.id) + " repeats");
        }
    }
    std::set<int> segmentIds;
    for (const auto& segment : segments) {
        if (!segmentIds.insert(segment.id).second) {
            throw std::invalid_argument("track segment " + std::to_string(segment.id) + " repeats");
        }
        if (pointIds.count(segment.from) == 0 || pointIds.count(segment.to) == 0) {
            throw std::invalid_argument("track segment " + std::to_string(segment.id) +
                                        " joins an unknown point");
        }
        if (!(segment.length > 0.0) || !(segment.maxVelocity > 0.0)) {
            throw std::invalid_argument("track segment " + std::to_string(segment.id) +
                                        " needs a positive length and velocity");
        }
    }
}

}  // namespace

TrackMap::TrackMap(std::vector<TrackPoint> points, std::vector<TrackSegment> segments)
    : points_(std::move(points)), segments_(std::move(segments)) {
    checkUniqueIds(points_, segments_);
    std::sort(segments_.begin(), segments_.end(),
              [](const TrackSegment& a, const TrackSegment& b) { return a.id < b.id; });
}

const TrackPoint* TrackMap::point(int id) const {
    for (const auto& point : points_) {
        if (point.id == id) {
            return &point;
        }
    }
    return nullptr;
}

const TrackSegment* TrackMap::segment(int id) const {
    for (const auto& segment : segments_) {
        if (segment.id == id) {
            return &segment;
        }
    }
    return nullptr;
}

std::vector<const TrackSegment*> TrackMap::outgoing(int pointId) const {
    std::vector<const TrackSegment*> found;
    for (const auto& segment : segments_) {
        if (segment.from == pointId) {
            found.push_back(&segment);
        }
    }
    return found;
}

std::vector<const TrackSegment*> TrackMap::incoming(int pointId) const {
    std::vector<const TrackSegment*> found;
    for (const auto& segment : segments_) {
        if (segment.to == pointId) {
            found.push_back(&segment);
        }
    }
    return found;
}

std::optional<std::vector<int>> TrackMap::shortestPath(int from, int to) const {
    if (point(from) == nullptr || point(to) == nullptr) {
        return std::nullopt;
    }
    // Dijkstra over the points; `via` remembers the segment by which each point was best reached.
    std::map<int, double> distance{{from, 0.0}};
    std::map<int, const TrackSegment*> via;
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    open.push({0.0, from});
    while (!open.empty()) {
        const auto [reached, at] = open.top();
        open.pop();
        if (at == to) {
            break;
        }
        if (reached > distance[at]) {
            continue;
        }
        for (const TrackSegment* segment : outgoing(at)) {
            const double next = reached + segment->length;
            const auto known = distance.find(segment->to);
            if (known == distance.end() || next < known->second) {
                distance[segment->to] = next;
                via[segment->to] = segment;
                open.push({next, segment->to});
            }
        }
    }
    if (from != to && via.count(to) == 0) {
        return std::nullopt;
    }
    std::vector<int> path;
    for (int at = to; at != from;) {
        const TrackSegment* segment = via.at(at);
        path.push_back(segment->id);
        at = segment->from;
    }
    std::reverse(path.begin(), path.end());
    return path;
}

}  // namespace kova::sim
