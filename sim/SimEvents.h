#pragma once

#include <string>
#include <vector>

namespace kova::sim {

// One line for the controller's published log: something that happened in the vehicle model.
struct LogEvent {
    double time = 0.0;   // simulated seconds since start
    bool debug = false;  // published only while debug lines are switched on
    std::string text;
};

// The lines the vehicle's parts write, stamped with the simulated time the model last advanced to;
// the server takes them and publishes them. Not thread-safe: it belongs to the model's thread.
class EventLog {
public:
    void setTime(double time) { time_ = time; }
    void add(const std::string& text, bool debug = false) { events_.push_back({time_, debug, text}); }
    // The lines written since the last call, oldest first.
    std::vector<LogEvent> take() {
        std::vector<LogEvent> taken;
        taken.swap(events_);
        return taken;
    }

private:
    double time_ = 0.0;
    std::vector<LogEvent> events_;
};

}  // namespace kova::sim
