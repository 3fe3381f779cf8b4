#include "sim/Steering.h"

namespace kova::sim {

namespace {

constexpr double kSteerDelay = 0.5;  // the steering follows its target after this long, s

}  // namespace

void Steering::setTarget(const std::string& keyword) {
    if (keyword != target_) {
        target_ = keyword;
        left_ = kSteerDelay;
    }
}

void Steering::advance(double dt, EventLog& log) {
    if (actual_ == target_) {
        return;
    }
    left_ -= dt;
    if (left_ <= 0.0) {
        actual_ = target_;
        log.add("steering now " + actual_, true);
    }
}

}  // namespace kova::sim
