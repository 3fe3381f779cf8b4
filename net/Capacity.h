#pragma once

#include <cstddef>
#include <string>

namespace kova {

// What the process needs of the messaging context and of the system to hold `subscriptions`
// subscriptions (Subscription::kSocketsEach sockets and Subscription::kDescriptorsEach descriptors
// each) besides the console's own sockets, files and terminal.
struct CapacityNeed {
    int sockets = 0;
    long descriptors = 0;
};
CapacityNeed capacityFor(std::size_t subscriptions);

// Makes room for `subscriptions` subscriptions: sets the messaging context's socket limit (which
// only counts before its first socket is made, so this runs before any socket exists) and raises
// the soft limit on open files as far as the need, never past the hard limit. Returns an empty text
// when the room is there; otherwise why not, naming the limit, the number needed and `ulimit -n`,
// and nothing is changed.
std::string reserveCapacity(std::size_t subscriptions);

}  // namespace kova
