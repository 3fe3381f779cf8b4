#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimOptions.h"
#include "sim/TrackMap.h"
#include "sim/VehicleModel.h"

namespace kova::sim {

// Everything one simulated vehicle needs to start: where it serves, how its model starts, and how
// it misbehaves on purpose. Plain data.
struct VehiclePlan {
    std::string name;  // its connection's name; empty for the lone vehicle of a plain simulator
    std::string host;
    int basePort = 0;
    ModelSettings model;
    double timeScale = 1.0;
    std::size_t flood = 0;  // as SimOptions: a burst once, after floodDelayMs, and a steady extra rate
    int floodDelayMs = 1000;
    double floodRate = 0.0;
    FaultMode fault = FaultMode::None;
};

// The vehicles to serve, or why there are none. `argumentError` tells a command line that does not fit
// the file (too few connections, an unknown --flood-vehicle) from a file that cannot be used.
struct FleetPlan {
    std::vector<VehiclePlan> vehicles;
    std::string error;
    bool argumentError = false;
};

// The seed of the vehicle at `position` (0-based) of a fleet run with `seed`: the first vehicle gets
// `seed` itself, so a fleet of one repeats a plain simulator; the others get well-mixed values.
std::uint32_t vehicleSeed(std::uint32_t seed, std::size_t position);

// The segment the vehicle at `position` starts on: the map's line segments in turn, so neighbouring
// vehicles stand on different points.
int vehicleStartSegment(const TrackMap& map, std::size_t position);

// The lone vehicle of a simulator without --vehicles; the options' host and port already resolved.
// `seed` is used when --seed was not given.
VehiclePlan singleVehicle(const SimOptions& options, std::uint32_t seed);

// One vehicle per connection (options.vehicles of them), named after it. The flood options go to the
// vehicle named by --flood-vehicle (the first when none is named); time scale, obstacles and fault
// to all. `seed` is used when --seed was not given. Fails (argumentError) with fewer connections
// than vehicles, a repeated name, or an unknown --flood-vehicle.
FleetPlan planFleet(const SimOptions& options, const std::vector<Connection>& connections,
                    std::uint32_t seed);

// What the command line asks for, reading the configuration file where needed. Never throws.
FleetPlan planVehicles(SimOptions options, std::uint32_t seed);

}  // namespace kova::sim
