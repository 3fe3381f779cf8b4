#include "sim/Alarms.h"

namespace kova::sim {

namespace {

constexpr double kWarningLifetime = 10.0;  // a warning clears itself after this long, s

}  // namespace

void Alarms::raiseFault(const std::string& code, const std::string& name, const std::string& why,
                        EventLog& log) {
    fault_ = {code, name, 0.0};
    log.add("alarm fault " + code + " " + name + ": " + why);
}

void Alarms::raiseWarning(const std::string& code, const std::string& name, const std::string& why,
                          EventLog& log) {
    warning_ = {code, name, 0.0};
    log.add("warning " + code + " " + name + ": " + why);
}

void Alarms::clearFault(EventLog& log) {
    if (fault_.active()) {
        log.add("alarm fault " + fault_.code + " cleared");
        fault_ = {};
    }
}

void Alarms::clearObstacleWarning() {
    if (warning_.code == kObstacleWarning) {
        warning_ = {};
    }
}

void Alarms::advance(double dt, EventLog& log) {
    warning_.age += dt;
    fault_.age += dt;
    if (warning_.active() && warning_.code != kObstacleWarning && warning_.age > kWarningLifetime) {
        log.add("warning " + warning_.code + " cleared");
        warning_ = {};
    }
}

}  // namespace kova::sim
