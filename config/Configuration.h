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

// One element of the file's "connection" array as the fleet shows it: its address as far as it could
// be read, and why it cannot be used ("no \"port\"", ...; empty when it can).
struct ConnectionEntry {
    ControllerAddress address;
    std::string fault;
};

// A record for the operation log, in the order the loader met it.
struct ConfigurationRecord {
    bool error = false;  // level error, else info
    std::string text;
};

// What a configuration file gave.
struct Configuration {
    // The connections read, in file order. After a failure the ones read before the faulty element
    // stay; after a duplicated name there are none.
    std::vector<ControllerAddress> connections;
    // True when every element was read and no name was duplicated.
    bool loaded = false;
    // Every element of the array, in file order, each read on its own: the ones after a faulty
    // element too. Empty when the file gives no array, or a name appears twice.
    std::vector<ConnectionEntry> entries;
    // What the loading says for the operation log: "configuration file <path> is found", then any
    // failure. Kept as data, so the caller writes them where they belong in the log's order.
    std::vector<ConfigurationRecord> records;
    // Why the file did not load, for the operator, naming the file: "./conf.json: the name 'a'
    // appears twice, at positions 1 and 3". Empty when `loaded`.
    std::string fault;

    // The connection named `name` (compared exactly), or nullptr.
    const ControllerAddress* find(const std::string& name) const;
    // The names, in file order, joined with ", ".
    std::string names() const;
};

// The host name used when there is no connection, and the default base port.
extern const char* const kLoopbackHost;
constexpr int kDefaultBasePort = 5565;

// Reads the JSON file at `path`. Every failure becomes a record and `loaded == false`; nothing is
// thrown and nothing is written anywhere. Any thread.
Configuration loadConfiguration(const std::string& path);

// Writes the records of a load to the operation log (as data, never as a format). Any thread.
void writeRecords(const Configuration& configuration);

// The first connection, or the loopback host name (as name and host) and port 5565 when there is
// none.
ControllerAddress firstConnection(const Configuration& configuration);

// The connection named `name`; firstConnection when `name` is empty or not in the file.
ControllerAddress chosenConnection(const Configuration& configuration, const std::string& name);

}  // namespace kova
