// kovaSimOHV: a simulated vehicle controller for kovaConsoleOHV, or a fleet of them. See --help.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <random>

#include "sim/ActivityLog.h"
#include "sim/DescriptorLimit.h"
#include "sim/FleetPlan.h"
#include "sim/SimOptions.h"
#include "sim/SimServer.h"

namespace {

std::atomic<bool> stopRequested{false};

void requestStop(int) {
    stopRequested.store(true);
}

void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a signal wakes the poll at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

std::string startText(const kova::sim::SimOptions& options, const kova::sim::FleetPlan& fleet) {
    if (options.vehicles == 0) {
        const auto& only = fleet.vehicles.front();
        return "start kovaSimOHV, base port " + std::to_string(only.basePort) + ", host " + only.host;
    }
    return "start kovaSimOHV, " + std::to_string(fleet.vehicles.size()) + " vehicles of " +
           options.configPath;
}

int serve(const kova::sim::SimOptions& options, kova::sim::ActivityLog& activity) {
    const kova::sim::FleetPlan fleet = kova::sim::planVehicles(options, std::random_device{}());
    if (!fleet.error.empty()) {
        activity.error(fleet.error);
        std::cerr << "kovaSimOHV: " << fleet.error << (fleet.argumentError ? " (see --help)\n" : "\n");
        return fleet.argumentError ? 2 : 1;
    }
    activity.info(startText(options, fleet));
    try {
        kova::sim::SimServer server(fleet.vehicles, activity);
        server.run(stopRequested);
    } catch (const zmq::error_t& error) {
        activity.error(std::string("messaging failed: ") + error.what());
        std::cerr << "kovaSimOHV: messaging failed: " << error.what() << "\n";
        return 1;
    }
    activity.info("end kovaSimOHV");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const kova::sim::ParsedOptions parsed = kova::sim::parseOptions({argv + 1, argv + argc});
    if (!parsed.error.empty()) {
        std::cerr << "kovaSimOHV: " << parsed.error << " (see --help)\n";
        return 2;
    }
    const kova::sim::SimOptions& options = parsed.options;
    if (options.help) {
        std::cout << kova::sim::usageText();
        return 0;
    }
    installSignalHandlers();
    // Every vehicle holds several descriptors: a fleet past a few hundred passes the usual soft limit
    // of 1024, and one the hard limit cannot hold is refused before anything is bound.
    const std::size_t vehicles = options.vehicles > 0 ? options.vehicles : 1;
    const std::string limitError = kova::sim::raiseDescriptorLimit(kova::sim::descriptorsNeeded(vehicles));
    if (!limitError.empty()) {
        std::cerr << "kovaSimOHV: " << vehicles << " vehicles " << limitError << "\n";
        return 2;
    }
    try {
        kova::sim::ActivityLog activity(options.logPath);
        return serve(options, activity);
    } catch (const std::exception& error) {
        std::cerr << "kovaSimOHV: " << error.what() << "\n";
        return 1;
    }
}
