#pragma once

#include <string>
#include <utility>

namespace kova::sim {

// Outcome of a command to the vehicle: done, refused in the vehicle's present state (servo off,
// route in progress), or not understood (a value the object does not take). Both refusals carry
// the reason shown to the operator.
struct CommandResult {
    bool ok = true;
    std::string reason;
    bool understood = true;

    static CommandResult done() { return {}; }
    static CommandResult refused(std::string why) { return {false, std::move(why), true}; }
    static CommandResult invalid(std::string why) { return {false, std::move(why), false}; }
};

}  // namespace kova::sim
