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
    for (const auto& object : objects) {
        const std::int64_t period = std::max(1, object.periodMs);
        const std::int64_t offset = period * placed[object.periodMs]++ / perPeriod[object.periodMs];
        entries_.push_back({object.index, period, startMs + offset});
    }
}

std::vector<int> PublishSchedule::due(std::int64_t nowMs) {
    std::vector<int> indices;
    for (auto& entry : entries_) {
        if (entry.next <= nowMs) {
            indices.push_back(entry.index);
            const std::int64_t missed = (nowMs - entry.next) / entry.period;
            entry.next += (missed + 1) * entry.period;
        }
    }
    return indices;
}

std::int64_t PublishSchedule::untilNext(std::int64_t nowMs) const {
    std::int64_t soonest = INT64_MAX;
    for (const auto& entry : entries_) {
        soonest = std::min(soonest, entry.next - nowMs);
    }
    return std::max<std::int64_t>(0, soonest);
}

}  // namespace kova::sim
