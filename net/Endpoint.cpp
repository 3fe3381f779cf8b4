#include "net/Endpoint.h"

#include "config/Configuration.h"

namespace kova {

std::string controllerEndpoint(int offset) {
    return endpointText(controllerHost, controllerPort, offset);
}

}  // namespace kova
