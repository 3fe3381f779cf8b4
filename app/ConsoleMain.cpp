#include "app/ConsoleMain.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include <Poco/Exception.h>

#include "app/ConsoleApp.h"
#include "app/ConsoleOptions.h"
#include "app/SignalWatcher.h"
#include "base/OperationLog.h"
#include "base/Version.h"
#include "config/Configuration.h"
#include "record/RecordReader.h"
#include "record/RecordWriter.h"
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
    if (!options.replayPath.empty()) {
        try {
            result.settings.replay = std::make_shared<record::RecordReader>(options.replayPath);
        } catch (const record::RecordError& e) {
            return refuse(e.what());
        }
        return result;
    }
    const bool needsFile = options.configGiven || !options.vehicle.empty() || options.fleet;
    if (needsFile && !std::filesystem::exists(options.configPath)) {
        return refuse("configuration file " + options.configPath + " does not exist");
    }
    if (!options.vehicle.empty()) {
        Configuration configuration = loadConfiguration(options.configPath);
        if (configuration.find(options.vehicle) == nullptr) {
            const std::string offered = configuration.connections.empty() ? "none" : configuration.names();
            return refuse("no connection named '" + options.vehicle + "' in " + options.configPath +
                          " (it names: " + offered + ")");
        }
        result.settings.preloaded = std::move(configuration);
    }
    if (options.fleet) {
        Configuration configuration = loadConfiguration(options.configPath);
        if (configuration.connections.empty()) {
            return refuse("configuration file " + options.configPath + " names no vehicle");
        }
        result.settings.preloaded = std::move(configuration);
    }
    if (!options.recordPath.empty()) {
        // The recording names its vehicle, so the configuration is read now (its records still go to
        // the operation log after "start kovaConsole").
        if (!result.settings.preloaded) {
            result.settings.preloaded = loadConfiguration(options.configPath);
        }
        const Configuration& configuration = *result.settings.preloaded;
        const ControllerAddress vehicle = chosenConnection(configuration, options.vehicle);
        auto recorder = std::make_shared<record::RecordWriter>();
        try {
            recorder->open(options.recordPath, options.recordAppend,
                           record::SessionInfo{kConsoleVersion, vehicle.name, vehicle.host, vehicle.port});
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
    Preflight checked = preflight(parseConsoleOptions(args));
    if (checked.exitStatus) {
        return *checked.exitStatus;
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
