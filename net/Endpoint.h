#pragma once

#include <string>

#include "protocol/Endpoints.h"

namespace kova {

// Port offsets from the controller's base port, and the endpoint text; see protocol/Endpoints.h.
using protocol::endpointText;
using protocol::kLogPortOffset;
using protocol::kRequestPortOffset;
using protocol::kStatusPortOffset;

// The endpoint of the process-wide controller address plus offset.
std::string controllerEndpoint(int offset);

}  // namespace kova
