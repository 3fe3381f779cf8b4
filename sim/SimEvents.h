#pragma once

#include <string>

namespace kova::sim {

// One line for the controller's published log: something that happened in the vehicle model.
struct LogEvent {
    double time = 0.0;   // simulated seconds since start
    bool debug = false;  // published only while debug lines are switched on
    std::string text;
};

}  // namespace kova::sim
