#include "sim/FleetPlan.h"

#include <set>

namespace kova::sim {

namespace {

VehiclePlan planFor(const SimOptions& options, std::uint32_t seed) {
    VehiclePlan plan;
    plan.host = options.host;
    plan.basePort = options.basePort;
    plan.model.seed = seed;
    plan.model.obstacles = options.obstacles;
    plan.timeScale = options.timeScale;
    plan.fault = options.fault;
    return plan;
}

void addFlood(const SimOptions& options, VehiclePlan& plan) {
    plan.flood = options.flood;
    plan.floodDelayMs = options.floodDelayMs;
    plan.floodRate = options.floodRate;
}

}  // namespace

std::uint32_t vehicleSeed(std::uint32_t seed, std::size_t position) {
    if (position == 0) {
        return seed;
    }
    // splitmix64 of (seed, position): nearby seeds and positions give unrelated values.
    std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32 | position) + 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return static_cast<std::uint32_t>(z ^ (z >> 31));
}

int vehicleStartSegment(const TrackMap& map, std::size_t position) {
    std::vector<int> lines;
    for (const TrackSegment& segment : map.segments()) {
        if (segment.kind == PathKind::Line) {
            lines.push_back(segment.id);
        }
    }
    return lines.empty() ? map.segments().front().id : lines[position % lines.size()];
}

VehiclePlan singleVehicle(const SimOptions& options, std::uint32_t seed) {
    VehiclePlan plan = planFor(options, options.seedGiven ? options.seed : seed);
    addFlood(options, plan);
    return plan;
}

FleetPlan planFleet(const SimOptions& options, const std::vector<Connection>& connections,
                    std::uint32_t seed) {
    FleetPlan fleet;
    fleet.argumentError = true;
    if (connections.size() < options.vehicles) {
        fleet.error = "--vehicles " + std::to_string(options.vehicles) + " but " + options.configPath +
                      " has only " + std::to_string(connections.size()) + " connection(s)";
        return fleet;
    }
    const std::string flooded = options.floodVehicle.empty() ? connections[0].name : options.floodVehicle;
    const TrackMap map = builtInTrackMap();
    std::set<std::string> names;
    bool floodPlaced = false;
    for (std::size_t i = 0; i < options.vehicles; ++i) {
        const Connection& connection = connections[i];
        if (!names.insert(connection.name).second) {
            fleet.error = "connection name " + connection.name + " repeats in " + options.configPath;
            return fleet;
        }
        VehiclePlan plan = planFor(options, vehicleSeed(options.seedGiven ? options.seed : seed, i));
        plan.name = connection.name;
        plan.host = connection.host;
        plan.basePort = connection.basePort;
        plan.model.startSegment = vehicleStartSegment(map, i);
        if (connection.name == flooded) {
            addFlood(options, plan);
            floodPlaced = true;
        }
        fleet.vehicles.push_back(std::move(plan));
    }
    if (!floodPlaced) {
        fleet.vehicles.clear();
        fleet.error = "--flood-vehicle " + flooded + " is none of the " + std::to_string(options.vehicles) +
                      " vehicles";
        return fleet;
    }
    fleet.argumentError = false;
    return fleet;
}

FleetPlan planVehicles(SimOptions options, std::uint32_t seed) {
    FleetPlan fleet;
    if (options.vehicles == 0) {
        fleet.error = resolveConnection(options);
        if (fleet.error.empty()) {
            fleet.vehicles.push_back(singleVehicle(options, seed));
        }
        return fleet;
    }
    std::vector<Connection> connections;
    fleet.error = readConnections(options.configPath, options.vehicles, connections);
    if (!fleet.error.empty()) {
        return fleet;
    }
    return planFleet(options, connections, seed);
}

}  // namespace kova::sim
