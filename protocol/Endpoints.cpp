#include "protocol/Endpoints.h"

namespace kova::protocol {

std::string endpointText(const std::string& host, int basePort, int offset) {
    const long long port = static_cast<long long>(basePort) + offset;
    return "tcp://" + host + ":" + std::to_string(port);
}

}  // namespace kova::protocol
