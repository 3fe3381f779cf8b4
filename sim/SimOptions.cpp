#include "sim/SimOptions.h"

#include <cstdlib>
#include <functional>
#include <map>

namespace kova::sim {

namespace {

bool toNumber(const std::string& text, double low, double high, double& out) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(value >= low && value <= high)) {
        return false;
    }
    out = value;
    return true;
}

bool toWhole(const std::string& text, double low, double high, double& out) {
    return text.find_first_not_of("0123456789") == std::string::npos && toNumber(text, low, high, out);
}

// A whole decimal number within [low, high] stored into `out`; `out` stays as it was otherwise.
template <typename T>
bool wholeInto(const std::string& text, double low, double high, T& out) {
    double value = 0;
    if (!toWhole(text, low, high, value)) {
        return false;
    }
    out = static_cast<T>(value);
    return true;
}

using Setter = std::function<bool(SimOptions&, const std::string&)>;

// Options that take a value, with the check of that value.
const std::map<std::string, Setter>& valueOptions() {
    static const std::map<std::string, Setter> table = {
        {"--config",
         [](SimOptions& o, const std::string& v) {
             o.configPath = v;
             return !v.empty();
         }},
        {"--host",
         [](SimOptions& o, const std::string& v) {
             o.host = v;
             o.hostGiven = true;
             return !v.empty();
         }},
        {"--port",
         [](SimOptions& o, const std::string& v) {
             o.portGiven = true;
             return wholeInto(v, 1, 65531, o.basePort);
         }},
        {"--seed",
         [](SimOptions& o, const std::string& v) {
             o.seedGiven = true;
             return wholeInto(v, 0, 4294967295.0, o.seed);
         }},
        {"--time-scale",
         [](SimOptions& o, const std::string& v) { return toNumber(v, 0.01, 1000, o.timeScale); }},
        {"--flood", [](SimOptions& o, const std::string& v) { return wholeInto(v, 0, 1e8, o.flood); }},
        {"--flood-delay",
         [](SimOptions& o, const std::string& v) { return wholeInto(v, 0, 600000, o.floodDelayMs); }},
        {"--flood-rate",
         [](SimOptions& o, const std::string& v) { return toNumber(v, 0, 1e6, o.floodRate); }},
        {"--fault",
         [](SimOptions& o, const std::string& v) {
             static const std::map<std::string, FaultMode> modes = {{"never-answer", FaultMode::NeverAnswer},
                                                                    {"late-answer", FaultMode::LateAnswer},
                                                                    {"malformed", FaultMode::Malformed},
                                                                    {"none", FaultMode::None}};
             const auto found = modes.find(v);
             if (found == modes.end()) {
                 return false;
             }
             o.fault = found->second;
             return true;
         }},
        {"--log",
         [](SimOptions& o, const std::string& v) {
             o.logPath = v;
             return !v.empty();
         }},
        {"--vehicles",
         [](SimOptions& o, const std::string& v) {
             return wholeInto(v, 1, static_cast<double>(kMaxVehicles), o.vehicles);
         }},
        {"--flood-vehicle",
         [](SimOptions& o, const std::string& v) {
             o.floodVehicle = v;
             return !v.empty();
         }},
    };
    return table;
}

// What the options say together; empty when they fit.
std::string combinationError(const SimOptions& options) {
    if (options.vehicles > 0 && options.configPath.empty()) {
        return "--vehicles needs --config (the vehicles are the file's first connections)";
    }
    if (options.vehicles > 0 && (options.hostGiven || options.portGiven)) {
        return "--vehicles takes every host and port from --config, not from --host or --port";
    }
    if (!options.floodVehicle.empty() && options.vehicles == 0) {
        return "--flood-vehicle needs --vehicles";
    }
    return "";
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            inlineValue = true;
        }
        if (name == "--help" || name == "-h") {
            parsed.options.help = true;
            continue;
        }
        if (name == "--no-obstacles" && !inlineValue) {
            parsed.options.obstacles = false;
            continue;
        }
        const auto option = valueOptions().find(name);
        if (option == valueOptions().end()) {
            parsed.error = "unknown option " + args[i];
            return parsed;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
            value = args[++i];
        }
        if (!option->second(parsed.options, value)) {
            parsed.error = "bad value for " + name + ": " + value;
            return parsed;
        }
    }
    parsed.error = combinationError(parsed.options);
    return parsed;
}

std::string usageText() {
    return "Usage: kovaSimOHV [options]\n"
           "Simulated vehicle controller for kovaConsoleOHV: publishes status on base port + 1, answers\n"
           "requests on base port + 2 and publishes its log on base port + 4.\n"
           "\n"
           "  --config FILE        take host and base port from the first connection of FILE (conf.json)\n"
           "  --host HOST          host to serve (default 127.0.0.1; a host name binds 127.0.0.1)\n"
           "  --port PORT          base port (default 5565)\n"
           "  --seed N             fixed random seed (obstacles, timing jitter)\n"
           "  --time-scale X       simulated time runs X times faster than real time (default 1)\n"
           "  --no-obstacles       no random obstacles\n"
           "  --flood N            publish N status messages as fast as possible, once, then go on normally\n"
           "  --flood-delay MS     real milliseconds after start before the flood (default 1000)\n"
           "  --flood-rate R       publish R extra status messages per second all the time\n"
           "  --fault MODE         never-answer | late-answer (reply after 1500 ms) | malformed (publish\n"
           "                       1-frame, 5-frame, binary, huge, unknown-index messages among the normal "
           "ones)\n"
           "  --log FILE           activity log (default log/kovaSimOHV.log)\n"
           "  --vehicles N         serve the first N connections of --config at once, each on its own\n"
           "                       ports with its own vehicle (seeds and start points differ)\n"
           "  --flood-vehicle NAME the vehicle the flood options apply to (default: the first)\n"
           "  --help               this text\n"
           "\n"
           "Exit status: 0 stopped by a signal (SIGINT, SIGTERM); 1 it could not serve (a port in use, an\n"
           "activity log that cannot be opened, ...); 2 arguments that cannot be followed, or more vehicles\n"
           "than the hard limit on open files allows (ulimit -n).\n";
}

std::string resolveConnection(SimOptions& options) {
    if (options.configPath.empty()) {
        return "";
    }
    std::string host = options.host;
    int port = options.basePort;
    const std::string error = readConnection(options.configPath, host, port);
    if (!error.empty()) {
        return error;
    }
    if (!options.hostGiven) {
        options.host = host;
    }
    if (!options.portGiven) {
        options.basePort = port;
    }
    return "";
}

std::string bindAddress(const std::string& host) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const auto end = host.find('.', start);
        const std::string part =
            host.substr(start, end == std::string::npos ? std::string::npos : end - start);
        double value = 0;
        if (part.size() > 3 || !toWhole(part, 0, 255, value)) {
            return "127.0.0.1";
        }
        ++parts;
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return parts == 4 ? host : "127.0.0.1";
}

}  // namespace kova::sim
