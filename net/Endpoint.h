#pragma once

#include <string>

namespace kova {

// Port offsets from the controller's base port.
constexpr int kStatusPortOffset = 1;
constexpr int kRequestPortOffset = 2;
constexpr int kLogPortOffset = 4;

// "tcp://" + host + ":" + decimal (basePort + offset). The sum is computed wider than 32 bits, so a
// base port near the integer limits never overflows; a negative sum keeps its leading "-" (the
// messaging library then refuses the endpoint, and the caller reports that).
std::string endpointText(const std::string& host, int basePort, int offset);

}  // namespace kova
