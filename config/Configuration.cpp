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

#include "base/OperationLog.h"
#include "protocol/Endpoints.h"

namespace kova {

const char* const kLoopbackHost = "localhost";

namespace {

// Reads `key` of `element` as `T`; on a failure, says why in `fault` (when it holds nothing yet).
template <typename T>
T readField(const Poco::JSON::Object::Ptr& element, const std::string& key, std::string& fault) {
    try {
        if (!element->has(key)) {
            throw Poco::NotFoundException();
        }
        return element->get(key).convert<T>();
    } catch (const Poco::Exception& e) {
        if (fault.empty()) {
            fault = element->has(key) ? "\"" + key + "\" unusable: " + e.displayText() : "no \"" + key + "\"";
        }
        return T{};
    }
}

// Every element of the array, each on its own, for the fleet: a faulty one does not hide the ones
// after it. A name given twice empties the list and becomes the configuration's fault.
void readEntries(const Poco::JSON::Array::Ptr& array, Configuration& configuration) {
    std::vector<ConnectionEntry>& entries = configuration.entries;
    for (std::size_t i = 0; i < array->size(); ++i) {
        ConnectionEntry entry;
        Poco::JSON::Object::Ptr element;
        try {
            element = array->get(i).extract<Poco::JSON::Object::Ptr>();
        } catch (const Poco::Exception&) {
        }
        if (element.isNull()) {
            entry.fault = "not an object";
        } else {
            entry.address.name = readField<std::string>(element, "name", entry.fault);
            entry.address.host = readField<std::string>(element, "IP", entry.fault);
            entry.address.port = readField<int>(element, "port", entry.fault);
        }
        if (entry.address.name.empty() && entry.fault.empty()) {
            entry.fault = "no name";
        }
        for (std::size_t j = 0; j < entries.size() && !entry.address.name.empty(); ++j) {
            if (entries[j].address.name == entry.address.name) {
                configuration.fault = "the name '" + entry.address.name + "' appears twice, at positions " +
                                      std::to_string(j + 1) + " and " + std::to_string(i + 1);
                entries.clear();
                return;
            }
        }
        entries.push_back(std::move(entry));
    }
}

// Parses the stream and appends its connections. Library errors propagate to the caller, with the
// connections read so far kept.
bool readConnections(std::istream& in, Configuration& configuration) {
    std::vector<ControllerAddress>& connections = configuration.connections;
    Poco::JSON::Parser parser(Poco::JSON::ParseHandler::Ptr(new Poco::JSON::ParseHandler(false)));
    Poco::Dynamic::Var document = parser.parse(in);
    Poco::JSON::Object::Ptr top = document.extract<Poco::JSON::Object::Ptr>();
    Poco::JSON::Array::Ptr array = top->get("connection").extract<Poco::JSON::Array::Ptr>();
    readEntries(array, configuration);
    const std::size_t size = array->size();
    for (std::size_t i = 0; i < size; ++i) {
        Poco::JSON::Object::Ptr element = array->get(i).extract<Poco::JSON::Object::Ptr>();
        ControllerAddress address;
        address.name = element->get("name").convert<std::string>();
        if (configuration.find(address.name) != nullptr) {
            connections.clear();
            configuration.records.push_back({true, address.name + " in configuration file is duplicated"});
            return false;
        }
        address.host = element->get("IP").convert<std::string>();
        address.port = element->get("port").convert<int>();
        connections.push_back(std::move(address));
    }
    return true;
}

}  // namespace

std::string ControllerAddress::endpoint(int offset) const {
    return protocol::endpointText(host, port, offset);
}

namespace {

// Reads the file into `configuration`; on a failure, sets its fault (without the path) and returns.
void readFile(const std::string& path, Configuration& configuration) {
    auto fail = [&configuration](const std::string& why, const std::string& shown) {
        configuration.records.push_back({true, "Loading a configuration file is failed: " + why});
        if (configuration.fault.empty()) {  // a name twice, found before, says more
            configuration.fault = shown;
        }
    };
    try {
        if (!Poco::Path(path).isFile()) {
            configuration.fault = "not a file name";
            return;
        }
        if (!Poco::File(path).exists()) {
            configuration.records.push_back({true, "configuration file " + path + " is not exist"});
            configuration.fault = "no such file";
            return;
        }
    } catch (const Poco::Exception& e) {
        // A path the file system cannot even look at (too long, a component is not a directory).
        fail(e.displayText(), e.displayText());
        return;
    }
    configuration.records.push_back({false, "configuration file " + path + " is found"});

    try {
        if (Poco::File(path).isDirectory()) {
            fail(path + " is a directory", "a directory");
            return;
        }
        Poco::FileInputStream in(path);
        configuration.loaded = readConnections(in, configuration);
    } catch (const Poco::JSON::JSONException& e) {
        fail(e.message(), "not JSON: " + e.message());
    } catch (const Poco::BadCastException& e) {
        // The document's shape: no "connection" array, an element that is no object or lacks a
        // field.
        fail(e.displayText(), "not a list of connections: " + e.displayText());
    } catch (const Poco::Exception& e) {
        fail(e.displayText(), e.displayText());
    } catch (const std::exception& e) {
        fail(e.what(), e.what());
    }
}

}  // namespace

Configuration loadConfiguration(const std::string& path) {
    Configuration configuration;
    readFile(path, configuration);
    if (!configuration.loaded) {
        configuration.fault = path + ": " + configuration.fault;
    }
    return configuration;
}

void writeRecords(const Configuration& configuration) {
    for (const ConfigurationRecord& record : configuration.records) {
        if (record.error) {
            oplog::error("{}", record.text);
        } else {
            oplog::info("{}", record.text);
        }
    }
}

const ControllerAddress* Configuration::find(const std::string& name) const {
    for (const ControllerAddress& connection : connections) {
        if (connection.name == name) {
            return &connection;
        }
    }
    return nullptr;
}

std::string Configuration::names() const {
    std::string joined;
    for (const ControllerAddress& connection : connections) {
        joined += (joined.empty() ? "" : ", ") + connection.name;
    }
    return joined;
}

ControllerAddress firstConnection(const Configuration& configuration) {
    if (configuration.connections.empty()) {
        return ControllerAddress{kLoopbackHost, kLoopbackHost, kDefaultBasePort};
    }
    return configuration.connections.front();
}

ControllerAddress chosenConnection(const Configuration& configuration, const std::string& name) {
    const ControllerAddress* named = name.empty() ? nullptr : configuration.find(name);
    return named != nullptr ? *named : firstConnection(configuration);
}

}  // namespace kova
