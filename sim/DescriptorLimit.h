#pragma once

#include <cstddef>
#include <string>

namespace kova::sim {

// Open descriptors a simulator serving `vehicles` vehicles wants: per vehicle its three listening
// sockets, their ZeroMQ mailboxes and a console's connections to them, and a few for the process.
std::size_t descriptorsNeeded(std::size_t vehicles);

// Raises the soft limit on open descriptors to `needed` (never lowers it). Returns why that cannot be,
// to follow "N vehicles " (what is needed, the limit, and `ulimit -n`), or an empty text when done.
std::string raiseDescriptorLimit(std::size_t needed);

}  // namespace kova::sim
