#pragma once

#include <string>

#include "sim/SimEvents.h"

namespace kova::sim {

// The steering: a target keyword and the keyword the wheels actually show, which follows the
// target after a short delay. Not thread-safe: it belongs to the model's thread.
class Steering {
public:
    // A new target; the actual steering follows it 0.5 s later. The same target again changes
    // nothing.
    void setTarget(const std::string& keyword);
    // Advances by `dt` seconds; logs (as a debug line) when the actual steering reaches its target.
    void advance(double dt, EventLog& log);

    const std::string& target() const { return target_; }
    const std::string& actual() const { return actual_; }

private:
    std::string target_ = "RR";
    std::string actual_ = "RR";
    double left_ = 0.0;  // until the actual steering follows, s
};

}  // namespace kova::sim
