#include "net/Endpoint.h"

#include "config/Configuration.h"

namespace kova {

std::string endpointText(const std::string& host, int basePort, int offset) {
    const long long port = static_cast<long long>(basePort) + offset;
    return "tcp://" + host + ":" + std::to_string(port);
}

std::string controllerEndpoint(int offset) {
    return endpointText(controllerHost, controllerPort, offset);
}

}  // namespace kova
