#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kova::sim {

// Status messages a faulty controller might publish, for testing how the console copes: one frame
// only, five frames, binary bytes, a huge values frame, an index nobody knows, an empty values frame
// and an index that is not a number. Turn `n` picks the kind, round-robin.
std::vector<std::string> malformedMessage(std::size_t n);

// How many different kinds malformedMessage() rotates through.
constexpr std::size_t kMalformedKinds = 7;

// Size of the huge values frame (bytes).
constexpr std::size_t kHugeFrameSize = 1 << 20;

}  // namespace kova::sim
