#include "config/Configuration.h"

#include <exception>
#include <istream>

#include <Poco/Dynamic/Var.h>
#include <Poco/Exception.h>
#include <Poco/File.h>
#include <Poco/FileStream.h>
#include <Poco/JSON/JSONException.h>
#include <Poco/JSON/Object.h>
#include <Poco/JSON/ParseHandler.h>
#include <Poco/JSON/Parser.h>
#include <Poco/Path.h>

#include "app/OperationLog.h"

namespace kova {

std::vector<std::string> connectionNames;
std::vector<std::string> connectionHosts;
std::vector<int> connectionPorts;

std::string controllerName;
std::string controllerHost;
int controllerPort = 0;

const char* const kLoopbackHost = "localhost";

namespace {

void clearTable() {
    connectionNames.clear();
    connectionHosts.clear();
    connectionPorts.clear();
}

bool nameIsTaken(const std::string& name) {
    for (const auto& known : connectionNames) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

// Parses the stream and appends its connections. Library errors propagate to the caller.
bool readConnections(std::istream& in) {
    Poco::JSON::Parser parser(Poco::JSON::ParseHandler::Ptr(new Poco::JSON::ParseHandler(false)));
    Poco::Dynamic::Var document = parser.parse(in);
    Poco::JSON::Object::Ptr top = document.extract<Poco::JSON::Object::Ptr>();
    Poco::JSON::Array::Ptr connections = top->get("connection").extract<Poco::JSON::Array::Ptr>();
    const std::size_t size = connections->size();
    for (std::size_t i = 0; i < size; ++i) {
        Poco::JSON::Object::Ptr element = connections->get(i).extract<Poco::JSON::Object::Ptr>();
        const std::string name = element->get("name").convert<std::string>();
        if (nameIsTaken(name)) {
            clearTable();
            oplog::error("{} in configuration file is duplicated", name);
            return false;
        }
        const std::string host = element->get("IP").convert<std::string>();
        const int port = element->get("port").convert<int>();
        connectionNames.push_back(name);
        connectionHosts.push_back(host);
        connectionPorts.push_back(port);
    }
    return true;
}

}  // namespace

bool loadConfiguration(std::string path) {
    try {
        if (!Poco::Path(path).isFile()) {
            return false;
        }
        if (!Poco::File(path).exists()) {
            oplog::error("configuration file {} is not exist", path);
            return false;
        }
    } catch (const Poco::Exception& e) {
        // A path the file system cannot even look at (too long, a component is not a directory).
        oplog::error("Loading a configuration file is failed: {}", e.displayText());
        return false;
    }
    oplog::info("configuration file {} is found", path);

    try {
        if (Poco::File(path).isDirectory()) {
            oplog::error("Loading a configuration file is failed: {} is a directory", path);
            return false;
        }
        Poco::FileInputStream in(path);
        return readConnections(in);
    } catch (const Poco::JSON::JSONException& e) {
        oplog::error("Loading a configuration file is failed: {}", e.message());
    } catch (const Poco::Exception& e) {
        oplog::error("Loading a configuration file is failed: {}", e.displayText());
    } catch (const std::exception& e) {
        oplog::error("Loading a configuration file is failed: {}", e.what());
    }
    return false;
}

void firstConnection(std::string& name, std::string& host, int& port) {
    if (connectionNames.empty()) {
        name = kLoopbackHost;
        host = kLoopbackHost;
        port = kDefaultBasePort;
        return;
    }
    name = connectionNames[0];
    host = connectionHosts[0];
    port = connectionPorts[0];
}

void resetConfiguration() {
    clearTable();
    controllerName.clear();
    controllerHost.clear();
    controllerPort = 0;
}

}  // namespace kova
