#include "app/ConsoleMain.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include <Poco/Exception.h>

#include "app/ConsoleApp.h"
#include "app/ConsoleOptions.h"
#include "app/Replayer.h"
#include "app/SignalWatcher.h"
#include "base/OperationLog.h"
#include "base/TextCells.h"
#include "base/Version.h"
#include "config/Configuration.h"
#include "net/Capacity.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
#include "shell/Shell.h"
#include "ui/Screen.h"

namespace kova {

namespace {

struct Outcome {
    std::optional<std::string> failure;  // what failed; nothing after a normal end
    bool ran = false;                    // the run began ("start kovaConsole" was written)
    std::string logTrouble;              // the operation log could not be set up or written
};

Outcome runApplication(ConsoleSettings settings, std::function<void(const char*)> startHook) {
    Outcome outcome;
    std::optional<std::string>& failure = outcome.failure;
    try {
        ConsoleApp app(std::move(settings));
        app.setStartHook(std::move(startHook));
        try {
            SignalWatcher watcher([&app] { app.requestStop(); }, [&app] { app.resizeScreen(); });
            outcome.ran = true;
            app.run();
            oplog::info("end kovaConsole");
            oplog::flush();
        } catch (const Poco::Exception& e) {
            failure = "the run failed: " + e.displayText();
        } catch (const std::exception& e) {
            failure = std::string("the run failed: ") + e.what();
        } catch (...) {
            failure = "the run failed: unknown exception";
        }
        app.closeWindows();
        outcome.logTrouble = app.logSetupError().empty() ? logWriteFailure() : app.logSetupError();
        // Leaving this scope ends curses: the terminal is back before anything is reported.
    } catch (const ScreenStartError& e) {
        failure = std::string("cannot start the screen: ") + e.what();
    } catch (const Poco::Exception& e) {
        failure = "cannot start: " + e.displayText();
    } catch (const std::exception& e) {
        failure = std::string("cannot start: ") + e.what();
    }
    return outcome;
}

// The session a replay plays: the one --session names (`wanted`, from 1), or the last that holds
// messages. A file of several sessions lists them on standard output first.
struct SessionChoice {
    std::size_t index = 0;
    std::string refusal;  // why none can be played; empty when one can
};

SessionChoice chooseSession(const record::RecordReader& reader, const std::string& path, std::size_t wanted) {
    SessionChoice choice;
    const auto& sessions = reader.sessions();
    if (sessions.empty()) {
        choice.refusal = path + " holds no messages";
        return choice;
    }
    if (wanted > sessions.size()) {
        choice.refusal = path + " holds sessions 1 to " + std::to_string(sessions.size()) + ", not " +
                         std::to_string(wanted);
        return choice;
    }
    std::vector<std::uint64_t> events(sessions.size());
    std::optional<std::size_t> lastWithEvents;
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        if (sessions.size() > 1 || wanted == 0) {
            events[i] = reader.sessionEvents(i);
        }
        if (events[i] > 0) {
            lastWithEvents = i;
        }
    }
    if (wanted > 0) {
        choice.index = wanted - 1;
    } else if (lastWithEvents) {
        choice.index = *lastWithEvents;
    } else {
        choice.refusal = path + " holds no messages";
        return choice;
    }
    if (sessions.size() > 1) {
        std::printf("%s holds %zu sessions:\n", path.c_str(), sessions.size());
        for (std::size_t i = 0; i < sessions.size(); ++i) {
            const record::SessionInfo& info = sessions[i].info;
            const std::string what = info.vehicles.empty()
                                         ? displayText(info.connectionName) + " (" + displayText(info.host) + ":" +
                                               std::to_string(info.basePort) + ")"
                                         : "fleet of " + std::to_string(info.vehicles.size()) + " vehicles";
            std::printf("%c %zu  %s  %s  %llu messages\n", i == choice.index ? '>' : ' ', i + 1,
                        localTime(sessions[i].startNs).c_str(), what.c_str(),
                        static_cast<unsigned long long>(events[i]));
        }
        std::printf("playing session %zu%s\n", choice.index + 1, wanted == 0 ? " (--session N plays another)" : "");
        std::fflush(stdout);
    }
    return choice;
}

// A replay of vehicle NAME: a fleet recording plays that vehicle alone, as if it had been recorded on
// its own; a recording of one connection plays when it is of that name. Returns why it cannot, or
// empty text.
std::string chooseVehicle(record::RecordReader& reader, std::size_t session, const ConsoleOptions& options) {
    const record::SessionInfo& info = reader.sessions()[session].info;
    if (info.vehicles.empty()) {
        if (info.connectionName == options.vehicle) {
            return {};
        }
        return options.replayPath + " is a recording of " + displayText(info.connectionName) + ", not of " +
               displayText(options.vehicle);
    }
    std::string names;
    for (const record::VehicleInfo& vehicle : info.vehicles) {
        if (vehicle.name == options.vehicle) {
            reader.selectVehicle(vehicle.name);
            return {};
        }
        names += (names.empty() ? "" : ", ") + vehicle.name;
    }
    return "the fleet recorded in " + options.replayPath + " has no vehicle named " + displayText(options.vehicle) +
           " (it has: " + displayText(names) + ")";
}

// Room in the recorder's queue: a fleet's streams together need more than one controller's for the
// writer's pauses (a commit, a checkpoint) to pass without drops.
std::size_t recorderCapacity(std::size_t vehicles) {
    return std::max<std::size_t>(record::RecordWriter::kDefaultQueueCapacity, vehicles * 64);
}

// What the arguments ask for, checked before the screen starts: the settings of the run, or the exit
// status when there is to be no run (help, version, an argument that cannot be followed).
struct Preflight {
    std::optional<int> exitStatus;
    ConsoleSettings settings;
};

Preflight preflight(const ConsoleOptions& options) {
    Preflight result;
    auto refuse = [&result](const std::string& why) {
        std::fprintf(stderr, "kovaConsoleOHV: %s\n", why.c_str());
        result.exitStatus = 2;
        return result;
    };
    if (!options.error.empty()) {
        return refuse(options.error + " (see --help)");
    }
    if (options.help) {
        std::fputs(consoleUsage().c_str(), stdout);
        result.exitStatus = 0;
        return result;
    }
    if (options.version) {
        std::printf("kovaConsoleOHV %s\n", kConsoleVersion);
        result.exitStatus = 0;
        return result;
    }
    result.settings.configPath = options.configPath;
    result.settings.vehicle = options.vehicle;
    result.settings.fleet = options.fleet;
    result.settings.speed = options.speed;
    result.settings.operatorName = options.operatorName;
    if (!options.replayPath.empty()) {
        try {
            auto reader = std::make_shared<record::RecordReader>(options.replayPath);
            const auto chosen = chooseSession(*reader, options.replayPath, options.session);
            if (!chosen.refusal.empty()) {
                return refuse(chosen.refusal);
            }
            reader->selectSession(chosen.index);
            if (!options.vehicle.empty()) {
                const std::string refusal = chooseVehicle(*reader, chosen.index, options);
                if (!refusal.empty()) {
                    return refuse(refusal);
                }
            }
            if (!reader->span()) {
                return refuse(options.replayPath + " holds no messages");
            }
            reader->damagedRows();  // its pass over the file is made before the screen starts
            if (!reader->notice().empty()) {
                std::fprintf(stderr, "kovaConsoleOHV: %s\n", reader->notice().c_str());
            }
            result.settings.replaySession = chosen.index;
            result.settings.replay = std::move(reader);
        } catch (const record::RecordError& e) {
            return refuse(e.what());
        }
        return result;
    }
    // A file named on the command line, or needed for a vehicle name or the fleet, must load whole:
    // a run on part of it or on the defaults would talk to controllers the operator did not mean.
    const bool needsFile = options.configGiven || !options.vehicle.empty() || options.fleet;
    if (needsFile) {
        Configuration configuration = loadConfiguration(options.configPath);
        // The fleet shows a faulty element as a row that says why; a file that gives no list of
        // elements, or a name twice, is refused for it too.
        const bool usable = options.fleet ? !configuration.entries.empty() || configuration.fault.empty()
                                          : configuration.loaded;
        if (!usable) {
            return refuse("cannot load the configuration " + configuration.fault);
        }
        result.settings.preloaded = std::move(configuration);
    }
    if (!options.vehicle.empty()) {
        const Configuration& configuration = *result.settings.preloaded;
        if (configuration.find(options.vehicle) == nullptr) {
            const std::string offered = configuration.connections.empty() ? "none" : configuration.names();
            return refuse("no connection named '" + options.vehicle + "' in " + options.configPath +
                          " (it names: " + offered + ")");
        }
    }
    if (options.fleet && result.settings.preloaded->entries.empty()) {
        return refuse("configuration file " + options.configPath + " names no vehicle");
    }
    if (options.fleet) {
        // Every vehicle's subscription costs sockets and open files beyond the system's defaults.
        const std::string lacking = reserveCapacity(result.settings.preloaded->entries.size());
        if (!lacking.empty()) {
            return refuse("cannot watch the fleet: " + lacking);
        }
    }
    if (!options.recordPath.empty()) {
        // The recording names its vehicle, so the configuration is read now (its records still go to
        // the operation log after "start kovaConsole").
        if (!result.settings.preloaded) {
            result.settings.preloaded = loadConfiguration(options.configPath);
        }
        const Configuration& configuration = *result.settings.preloaded;
        const ControllerAddress vehicle = chosenConnection(configuration, options.vehicle);
        record::SessionInfo session{kConsoleVersion, vehicle.name, vehicle.host, vehicle.port, {}};
        if (options.fleet) {
            // Every row names its vehicle; the session lists them in the order of the table.
            session.connectionName = "fleet";
            session.host = options.configPath;
            session.basePort = 0;
            for (const ConnectionEntry& entry : configuration.entries) {
                session.vehicles.push_back({entry.address.name, entry.address.host, entry.address.port});
            }
        }
        auto recorder = std::make_shared<record::RecordWriter>(recorderCapacity(session.vehicles.size()));
        try {
            recorder->open(options.recordPath, options.recordAppend, session);
        } catch (const record::RecordThreadError& e) {
            std::fprintf(stderr, "kovaConsoleOHV: %s\n", e.what());
            result.exitStatus = 1;
            return result;
        } catch (const record::RecordError& e) {
            return refuse(e.what());
        }
        result.settings.recorder = std::move(recorder);
    }
    return result;
}

// A run from the shell: the chosen vehicle (or every one, for a fleet watch), no screen.
int runFromShell(const ConsoleOptions& options, ConsoleSettings settings) {
    const Configuration configuration =
        settings.preloaded ? *settings.preloaded : loadConfiguration(options.configPath);
    ShellTarget target;
    target.recorder = std::move(settings.recorder);
    if (options.fleet) {
        target.vehicles = configuration.connections;
    } else {
        target.vehicles.push_back(chosenConnection(configuration, options.vehicle));
    }
    // A script keeps the messaging context when stopped: its abort command is still to go out.
    ShellStop stop(options.shell.scriptPath.empty());
    SignalWatcher watcher([&stop] { stop.request(); }, [] {});
    return runShell(options.shell, target, stop);
}

// After the terminal is handed back: whether the recording holds every message, said on standard
// error when it does not.
bool recordingComplete(record::RecordWriter* recorder) {
    if (recorder == nullptr) {
        return true;
    }
    const std::uint64_t lost = recorder->droppedCount();
    const bool closed = recorder->closedCleanly();
    if (lost == 0 && closed) {
        return true;
    }
    const std::string error = recorder->lastError();
    std::fprintf(stderr, "kovaConsoleOHV: the recording lacks %llu messages%s%s%s\n",
                 static_cast<unsigned long long>(lost), closed ? "" : " and its end",
                 error.empty() ? "" : "; last error: ", error.c_str());
    return false;
}

}  // namespace

int consoleMain(const std::vector<std::string>& args, std::function<void(const char*)> startHook) {
    // Before any thread exists (a recording's writer starts in the preflight, the operation log's
    // flusher in the application's constructor): only the watcher ever takes the stop signals.
    SignalWatcher::blockSignals();
    const ConsoleOptions options = parseConsoleOptions(args);
    Preflight checked = preflight(options);
    if (checked.exitStatus) {
        return *checked.exitStatus;
    }
    if (options.shell.active()) {
        return runFromShell(options, std::move(checked.settings));
    }
    const std::shared_ptr<record::RecordWriter> recorder = checked.settings.recorder;
    const Outcome outcome = runApplication(std::move(checked.settings), std::move(startHook));
    const std::optional<std::string>& failure = outcome.failure;
    if (!outcome.logTrouble.empty()) {
        std::fprintf(stderr, "kovaConsoleOHV: %s\n", outcome.logTrouble.c_str());
    }
    if (!failure) {
        return recordingComplete(recorder.get()) ? 0 : 3;
    }
    oplog::error("{}", *failure);
    if (outcome.ran) {
        oplog::info("end kovaConsole");
    }
    oplog::flush();
    std::fprintf(stderr, "kovaConsoleOHV: %s\n", failure->c_str());
    return 1;
}

}  // namespace kova
