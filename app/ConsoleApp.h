#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <Poco/RunnableAdapter.h>
#include <Poco/Thread.h>
#include <Poco/Timer.h>

#include "command/CommandWindow.h"
#include "logview/LogWindow.h"
#include "monitor/MonitorWindow.h"

namespace kova {

// Where the run finds its controller.
struct ConsoleSettings {
    std::string configPath = "./conf.json";
    // The configuration read before the screen started (to check a vehicle name); without it the
    // file is read after the banner.
    std::optional<Configuration> preloaded;
    std::string vehicle;  // the connection of that name; empty for the first
};

// The application: owns the three working windows, their threads and the monitor's redraw timer.
// One instance lives in main's frame for the whole run; neither copied nor moved.
class ConsoleApp {
public:
    static constexpr long kRedrawIntervalMs = 200;

    // Builds the members, sets up the operation log (a failure is written to standard output and
    // the run goes on without it) and starts the curses screen. Throws ScreenStartError (ui/Screen.h)
    // when the terminal cannot be driven; the members made so far are closed on the way out.
    explicit ConsoleApp(ConsoleSettings settings = {});
    // Hands the terminal back first (endwin), then destroys the members.
    ~ConsoleApp();
    ConsoleApp(const ConsoleApp&) = delete;
    ConsoleApp& operator=(const ConsoleApp&) = delete;

    // Banner, configuration, layout, threads and timer; returns once all three threads have ended
    // and the redraw timer has stopped. Main thread. When a thread or the timer cannot be started
    // (or anything else throws), the threads already started are stopped and joined before the
    // exception leaves, so the caller can hand the terminal back and report it.
    void run();

    // Called with the name of each start-up step just before it runs ("command thread", "monitor
    // thread", "log thread", "timer"). A hook that throws stands for that step failing: the fault
    // tests use it to prove that such a failure still ends the run cleanly. Empty by default.
    void setStartHook(std::function<void(const char* step)> hook) { startHook_ = std::move(hook); }

    // Ends the run from any thread: clears every running flag and shuts the messaging context
    // down, so that every blocked receive returns at once. Safe to call more than once.
    void requestStop();

    // Takes the terminal's new size and repaints every window. Any thread; takes the ScreenLock.
    void resizeScreen();

    // The steps after run: close the log, command and monitor windows.
    void closeWindows();

    MonitorWindow monitor;
    LogWindow log;
    CommandWindow command;
    int cols = 0;
    int rows = 0;

private:
    void initScreen();
    void startWorkers(bool configured);
    void joinWorkers();
    void step(const char* name);

    Poco::Thread monitorThread;
    Poco::Thread commandThread;
    Poco::Thread logThread;
    Poco::Timer timer;
    Poco::RunnableAdapter<MonitorWindow> monitorRunnable;
    Poco::RunnableAdapter<LogWindow> logRunnable;
    Poco::RunnableAdapter<CommandWindow> commandRunnable;
    ConsoleSettings settings_;
    std::function<void(const char*)> startHook_;
    int startedThreads_ = 0;               // how many of the three threads were started, in start order
    std::vector<std::string> startNotes_;  // what went wrong at start-up, for the log window
};

}  // namespace kova
