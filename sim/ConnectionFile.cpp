// Reading the console's configuration file, so the simulator serves the addresses the console uses.
#include <fstream>

#include <Poco/Exception.h>
#include <Poco/JSON/Array.h>
#include <Poco/JSON/Object.h>
#include <Poco/JSON/Parser.h>

#include "sim/SimOptions.h"

namespace kova::sim {

namespace {

// Connection `position` of the array; throws Poco exceptions for values that do not convert.
std::string readEntry(const Poco::JSON::Array& connections, std::size_t position, const std::string& path,
                      bool needName, Connection& out) {
    const std::string which =
        position == 0 ? "first connection" : "connection " + std::to_string(position + 1);
    const auto entry = connections.getObject(static_cast<unsigned>(position));
    if (entry.isNull() || !entry->has("IP") || !entry->has("port") || (needName && !entry->has("name"))) {
        return which + " in " + path +
               (needName ? " needs \"name\", \"IP\" and \"port\"" : " needs \"IP\" and \"port\"");
    }
    const std::string ip = entry->get("IP").convert<std::string>();
    const int base = entry->get("port").convert<int>();
    if (ip.empty() || base < 1 || base > 65531) {
        return which + " in " + path + " has no usable IP or port";
    }
    out.name = needName ? entry->get("name").convert<std::string>() : "";
    out.host = ip;
    out.basePort = base;
    return "";
}

// Reads up to `count` entries; `needName` asks for "name" too. Never throws.
std::string readEntries(const std::string& path, std::size_t count, bool needName,
                        std::vector<Connection>& out) {
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
        std::vector<Connection> read;
        for (std::size_t i = 0; i < std::min<std::size_t>(count, connections->size()); ++i) {
            Connection connection;
            if (std::string error = readEntry(*connections, i, path, needName, connection); !error.empty()) {
                return error;
            }
            read.push_back(connection);
        }
        out = std::move(read);
        return "";
    } catch (const Poco::Exception& error) {
        return "configuration file " + path + ": " + error.displayText();
    } catch (const std::exception& error) {
        return "configuration file " + path + ": " + error.what();
    }
}

}  // namespace

std::string readConnection(const std::string& path, std::string& host, int& port) {
    std::vector<Connection> first;
    const std::string error = readEntries(path, 1, false, first);
    if (error.empty()) {
        host = first[0].host;
        port = first[0].basePort;
    }
    return error;
}

std::string readConnections(const std::string& path, std::size_t count,
                            std::vector<Connection>& connections) {
    return readEntries(path, count, true, connections);
}

}  // namespace kova::sim
