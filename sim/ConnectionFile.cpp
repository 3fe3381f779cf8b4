// Reading the console's configuration file, so the simulator serves the address the console uses.
#include <fstream>

#include <Poco/Exception.h>
#include <Poco/JSON/Array.h>
#include <Poco/JSON/Object.h>
#include <Poco/JSON/Parser.h>

#include "sim/SimOptions.h"

namespace kova::sim {

std::string readConnection(const std::string& path, std::string& host, int& port) {
    std::ifstream file(path);
    if (!file) {
        return "cannot read configuration file " + path;
    }
    try {
        Poco::JSON::Parser parser;
        const auto root = parser.parse(file).extract<Poco::JSON::Object::Ptr>();
        const auto connections = root->getArray("connection");
        if (connections.isNull() || connections->size() == 0) {
            return "no connection in configuration file " + path;
        }
        const auto first = connections->getObject(0);
        if (first.isNull() || !first->has("IP") || !first->has("port")) {
            return "first connection in " + path + " needs \"IP\" and \"port\"";
        }
        const std::string ip = first->get("IP").convert<std::string>();
        const int base = first->get("port").convert<int>();
        if (ip.empty() || base < 1 || base > 65531) {
            return "first connection in " + path + " has no usable IP or port";
        }
        host = ip;
        port = base;
        return "";
    } catch (const Poco::Exception& error) {
        return "configuration file " + path + ": " + error.displayText();
    } catch (const std::exception& error) {
        return "configuration file " + path + ": " + error.what();
    }
}

}  // namespace kova::sim
