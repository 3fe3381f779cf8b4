#pragma once

#include <string>
#include <vector>

namespace kova {

// One controller the console can talk to: a "connection" element of the configuration file.
struct ControllerAddress {
    std::string name;  // "name", unique in the file
    std::string host;  // "IP": an address or a host name, used as written
    int port = 0;      // "port": the base port; status on +1, requests on +2, the log on +4

    // "tcp://" + host + ":" + decimal (port + offset).
    std::string endpoint(int offset) const;
};

// What a configuration file gave.
struct Configuration {
    // The connections read, in file order. After a failure the ones read before the faulty element
    // stay; after a duplicated name there are none.
    std::vector<ControllerAddress> connections;
    // True when every element was read and no name was duplicated.
    bool loaded = false;
};

// The host name used when there is no connection, and the default base port.
extern const char* const kLoopbackHost;
constexpr int kDefaultBasePort = 5565;

// Reads the JSON file at `path`. Every failure becomes a record in the operation log and
// `loaded == false`; nothing is thrown. Any thread, but it writes the operation log.
Configuration loadConfiguration(const std::string& path);

// The first connection, or the loopback host name (as name and host) and port 5565 when there is
// none.
ControllerAddress firstConnection(const Configuration& configuration);

}  // namespace kova
