#pragma once

#include <string>

#include "sim/SimEvents.h"

namespace kova::sim {

// A raised alarm: a short code and a short name (both shown in eight columns), empty when clear.
struct Alarm {
    std::string code;
    std::string name;
    double age = 0.0;  // seconds since it was raised
    bool active() const { return !code.empty(); }
};

// The controller's two alarm slots. A fault stays until a drive reset clears it; a warning clears
// itself after a while, except the obstacle warning, which lasts as long as the obstacle. Each
// change is logged. Not thread-safe: it belongs to the model's thread.
class Alarms {
public:
    static constexpr const char* kObstacleWarning = "W301";

    void raiseFault(const std::string& code, const std::string& name, const std::string& why, EventLog& log);
    void raiseWarning(const std::string& code, const std::string& name, const std::string& why,
                      EventLog& log);
    // Clears the fault, if one is raised, and logs it.
    void clearFault(EventLog& log);
    // Clears the warning without a word (the operator asked for it).
    void clearWarning() { warning_ = {}; }
    // Clears the warning if it is the obstacle warning.
    void clearObstacleWarning();
    // Ages both alarms by `dt` seconds; a warning other than the obstacle's clears after 10 s.
    void advance(double dt, EventLog& log);

    const Alarm& fault() const { return fault_; }
    const Alarm& warning() const { return warning_; }

private:
    Alarm fault_;
    Alarm warning_;
};

}  // namespace kova::sim
