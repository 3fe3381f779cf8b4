#pragma once

#include <string>
#include <vector>

namespace kova {

// The configuration table: one entry per "connection" element read, the three lists always of the
// same length. Written only by loadConfiguration on the main thread before any other thread starts.
extern std::vector<std::string> connectionNames;
extern std::vector<std::string> connectionHosts;
extern std::vector<int> connectionPorts;

// The controller this run talks to. Set once by MonitorWindow::create from firstConnection, before
// any thread starts; only read afterwards.
extern std::string controllerName;
extern std::string controllerHost;
extern int controllerPort;

// The host name used when the table is empty, and the default base port.
extern const char* const kLoopbackHost;
constexpr int kDefaultBasePort = 5565;

// Reads the JSON file at `path` and appends its connections to the table. Returns true when every
// element was read and no name was duplicated. Every failure becomes a record in the operation log
// and false; nothing is thrown.
bool loadConfiguration(std::string path);

// Entry 0 of the table, or the loopback host name (as name and host) and port 5565 when it is empty.
void firstConnection(std::string& name, std::string& host, int& port);

// Empties the table and resets the controller address (for tests that load several files).
void resetConfiguration();

}  // namespace kova
