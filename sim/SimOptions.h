#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kova::sim {

// How the simulator misbehaves on purpose, for tests of the console's error paths.
enum class FaultMode { None, NeverAnswer, LateAnswer, Malformed };

// Everything the command line can set.
struct SimOptions {
    std::string configPath;  // conf.json to take host and base port from; empty: none
    std::string host = "127.0.0.1";
    int basePort = 5565;
    bool hostGiven = false;
    bool portGiven = false;
    std::uint32_t seed = 0;
    bool seedGiven = false;
    double timeScale = 1.0;  // simulated seconds per real second
    std::size_t flood = 0;   // status messages sent as fast as possible once, after floodDelayMs
    int floodDelayMs = 1000;
    double floodRate = 0.0;  // extra status messages per real second, all the time
    FaultMode fault = FaultMode::None;
    bool obstacles = true;
    std::string logPath = "log/kovaSimOHV.log";
    bool help = false;
    std::size_t vehicles = 0;  // serve the first N connections of configPath; 0: one vehicle as usual
    std::string floodVehicle;  // the vehicle the flood options apply to; empty: the first
};

// The most vehicles one simulator serves (three sockets and their descriptors each).
constexpr std::size_t kMaxVehicles = 2000;

// Result of reading the command line: the options, or what was wrong (non-empty `error`).
struct ParsedOptions {
    SimOptions options;
    std::string error;
};

// Reads the arguments after the program name. Accepts "--name value" and "--name=value". Besides the
// values themselves it checks what the options say together: --vehicles needs --config (and takes
// every host and port from it, so --host and --port do not go with it), and --flood-vehicle needs
// --vehicles. What needs the configuration file read is checked later (planVehicles).
ParsedOptions parseOptions(const std::vector<std::string>& args);

// The --help text.
std::string usageText();

// One connection of a console configuration file: a vehicle's name, host and base port.
struct Connection {
    std::string name;
    std::string host;
    int basePort = 0;
};

// Reads the first connection of a console configuration file ({"connection": [{"name", "IP",
// "port"}]}). Returns an empty text on success, otherwise what was wrong; never throws.
std::string readConnection(const std::string& path, std::string& host, int& port);

// Reads the first `count` connections of a console configuration file into `connections` (replaced;
// fewer when the file has fewer), each of which needs "name", "IP" and "port"; later entries are not
// looked at. Returns an empty text on success, otherwise what was wrong; never throws.
std::string readConnections(const std::string& path, std::size_t count, std::vector<Connection>& connections);

// Fills host and base port from the configuration file when one is named; --host and --port win over
// it. Returns an empty text on success, otherwise what was wrong.
std::string resolveConnection(SimOptions& options);

// The address to bind to for a configured host: an IPv4 address as written ("0.0.0.0" included),
// anything else (a host name such as "localhost") the loopback address 127.0.0.1.
std::string bindAddress(const std::string& host);

}  // namespace kova::sim
