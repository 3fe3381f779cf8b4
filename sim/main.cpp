// kovaSimOHV: a simulated vehicle controller for kovaConsoleOHV. See --help.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <iostream>

#include "sim/ActivityLog.h"
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

}  // namespace

int main(int argc, char** argv) {
    const kova::sim::ParsedOptions parsed = kova::sim::parseOptions({argv + 1, argv + argc});
    if (!parsed.error.empty()) {
        std::cerr << "kovaSimOHV: " << parsed.error << " (see --help)\n";
        return 2;
    }
    kova::sim::SimOptions options = parsed.options;
    if (options.help) {
        std::cout << kova::sim::usageText();
        return 0;
    }
    installSignalHandlers();
    try {
        kova::sim::ActivityLog activity(options.logPath);
        const std::string configError = kova::sim::resolveConnection(options);
        if (!configError.empty()) {
            activity.error(configError);
            std::cerr << "kovaSimOHV: " << configError << "\n";
            return 1;
        }
        activity.info("start kovaSimOHV, base port " + std::to_string(options.basePort) + ", host " +
                      options.host);
        try {
            kova::sim::SimServer server(options, activity);
            server.run(stopRequested);
        } catch (const zmq::error_t& error) {
            activity.error(std::string("messaging failed: ") + error.what());
            std::cerr << "kovaSimOHV: messaging failed: " << error.what() << "\n";
            return 1;
        }
        activity.info("end kovaSimOHV");
    } catch (const std::exception& error) {
        std::cerr << "kovaSimOHV: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
