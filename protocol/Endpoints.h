#pragma once

#include <string>

// Where the controller listens: three ports at fixed offsets from its base port.
namespace kova::protocol {

constexpr int kStatusPortOffset = 1;   // status publisher
constexpr int kRequestPortOffset = 2;  // request replier
constexpr int kLogPortOffset = 4;      // log publisher

// "tcp://" + host + ":" + decimal (basePort + offset). The sum is computed wider than 32 bits, so a
// base port near the integer limits never overflows; a negative sum keeps its leading "-" (the
// messaging library then refuses the endpoint, and the caller reports that). Any thread.
std::string endpointText(const std::string& host, int basePort, int offset);

}  // namespace kova::protocol
