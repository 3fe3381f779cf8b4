#include "app/ConsoleMain.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include <Poco/Exception.h>

#include "app/ConsoleApp.h"
#include "app/SignalWatcher.h"
#include "base/OperationLog.h"
#include "ui/Screen.h"

namespace kova {

namespace {

struct Outcome {
    std::optional<std::string> failure;  // what failed; nothing after a normal end
    bool ran = false;                    // the run began ("start kovaConsole" was written)
};

Outcome runApplication(std::function<void(const char*)> startHook) {
    Outcome outcome;
    std::optional<std::string>& failure = outcome.failure;
    try {
        ConsoleApp app;
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

}  // namespace

int consoleMain(std::function<void(const char*)> startHook) {
    // Before any thread exists (the operation log's flusher starts in the constructor).
    SignalWatcher::blockSignals();
    const Outcome outcome = runApplication(std::move(startHook));
    const std::optional<std::string>& failure = outcome.failure;
    if (!failure) {
        return 0;
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
