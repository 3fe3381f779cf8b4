#pragma once

#include <cstdint>
#include <vector>

#include "sim/StatusObjects.h"

namespace kova::sim {

// When each published object is due next. Objects of the same period are spread over that period,
// so the stream stays even instead of coming in bursts. Times are milliseconds on any steady clock.
class PublishSchedule {
  public:
    PublishSchedule(const std::vector<PublishedObject>& objects, std::int64_t startMs);

    // The indices due at `nowMs`, each at most once per call; their next time moves on by their
    // period (skipping missed turns, so a stalled caller does not cause a burst later).
    std::vector<int> due(std::int64_t nowMs);
    // The same, as positions in `objects` (the constructor's list), written into `positions` (cleared
    // first), so that a caller stepping often reuses one buffer.
    void duePositions(std::int64_t nowMs, std::vector<std::size_t>& positions);
    // Milliseconds from `nowMs` until the next object is due (0 when one is due already).
    std::int64_t untilNext(std::int64_t nowMs) const;

  private:
    struct Entry {
        int index;
        std::size_t position;
        std::int64_t period;
        std::int64_t next;
    };
    std::vector<Entry> entries_;
};

}  // namespace kova::sim
