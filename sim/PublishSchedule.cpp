#include "sim/PublishSchedule.h"

#include <algorithm>
#include <map>

namespace kova::sim {

PublishSchedule::PublishSchedule(const std::vector<PublishedObject>& objects, std::int64_t startMs) {
    std::map<int, int> perPeriod;
    for (const auto& object : objects) {
        ++perPeriod[object.periodMs];
    }
    std::map<int, int> placed;
    for (std::size_t position = 0; position < objects.size(); ++position) {
        const PublishedObject& object = objects[position];
        const std::int64_t period = std::max(1, object.periodMs);
        const std::int64_t offset = period * placed[object.periodMs]++ / perPeriod[object.periodMs];
        entries_.push_back({object.index, position, period, startMs + offset});
    }
}

std::vector<int> PublishSchedule::due(std::int64_t nowMs) {
    std::vector<std::size_t> positions;
    duePositions(nowMs, positions);
    std::vector<int> indices;
    for (std::size_t position : positions) {
        indices.push_back(entries_[position].index);
    }
    return indices;
}

void PublishSchedule::duePositions(std::int64_t nowMs, std::vector<std::size_t>& positions) {
    positions.clear();
    for (auto& entry : entries_) {
        if (entry.next <= nowMs) {
            positions.push_back(entry.position);
            const std::int64_t missed = (nowMs - entry.next) / entry.period;
            entry.next += (missed + 1) * entry.period;
        }
    }
}

std::int64_t PublishSchedule::untilNext(std::int64_t nowMs) const {
    std::int64_t soonest = INT64_MAX;
    for (const auto& entry : entries_) {
        soonest = std::min(soonest, entry.next - nowMs);
    }
    return std::max<std::int64_t>(0, soonest);
}

}  // namespace kova::sim
