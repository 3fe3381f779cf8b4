#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <Poco/RunnableAdapter.h>
#include <Poco/Thread.h>
#include <Poco/Timer.h>

#include "alarm/AlarmWatch.h"
#include "app/Replayer.h"
#include "command/CommandWindow.h"
#include "fleet/FleetReceiver.h"
#include "fleet/FleetWindow.h"
#include "logview/LogWindow.h"
#include "monitor/MonitorWindow.h"
#include "record/RecordWriter.h"

namespace kova {

// Where the run finds its controller.
struct ConsoleSettings {
    std::string configPath = "./conf.json";
    // The configuration read before the screen started (to check a vehicle name or a fleet); without
    // it the file is read after the banner.
    std::optional<Configuration> preloaded;
    std::string vehicle;  // the connection of that name; empty for the first
    bool fleet = false;   // every connection in a table first, any of them opened with Enter
    // Every stream into a recording (opened before the screen started), or nothing.
    std::shared_ptr<record::RecordWriter> recorder;
    // A recording played back instead of a controller (opened before the screen started), or nothing.
    std::shared_ptr<record::RecordReader> replay;
    std::size_t replaySession = 0;  // the index in replay->sessions() of the session it walks
    double speed = 1.0;
    std::string operatorName;  // who acknowledges alarms; empty: $USER
};

// The application: owns the three working windows (and, for a fleet, the fleet table and every
// vehicle's status stream), their threads and the redraw timer. One instance lives in main's frame
// for the whole run; neither copied nor moved.
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

    // Takes the terminal's new size and repaints every window shown. Any thread; takes the ScreenLock.
    void resizeScreen();

    // The steps after run: close the log, command and monitor windows (and the fleet table).
    void closeWindows();

    MonitorWindow monitor;
    LogWindow log;
    CommandWindow command;
    int cols = 0;
    int rows = 0;

    // Why the operation log could not be set up, empty when it was.
    const std::string& logSetupError() const { return logSetupError_; }

private:
    void initScreen();
    // Starts the threads and the timer; a configuration that did not load is said in the log window.
    void startWorkers(const std::string& configurationFault);
    void joinWorkers();
    void step(const char* name);
    // Wires what one window cannot do itself to the window that can.
    void connectWindows();

    // The monitor thread's body: the one vehicle's status stream, or every vehicle's for a fleet.
    void receiveStatus();
    // The timer's callback: the fleet table while it is shown, else the monitor.
    void redraw(Poco::Timer& timer);

    // Recording: every status message, log line and request into the recorder, its state in the title.
    void connectRecorder();
    // Replay: the windows driven by the recording; keys of the replay's own.
    void setUpReplay();
    // Replay: while nothing is typed the replay's keys go to it; the log takes its own keys; the rest
    // is typed on the line (find, filter, help). Command thread.
    bool replayKey(int key, bool lineEmpty);
    // Replay of a fleet recording: the table first (ConsoleFleetReplay.cpp).
    void setUpFleetReplay();
    // Opens vehicle `index` of the recording at the replay's point. Command thread.
    void openReplayedVehicle(std::size_t index);
    // The vehicles' states on the replay's clock, for one redraw of the table.
    std::vector<FleetVehicle>& replayedFleetStates();

    // Fleet: makes every vehicle's status stream and the table, and shows the table.
    void setUpFleet(const Configuration& configuration);
    // Fleet: opens vehicle `index` in the three windows, exactly as a console started for it shows
    // it. Command thread.
    void openVehicle(std::size_t index);
    // Fleet: back to the table ("fleet"); the open vehicle's log stream is let go. Command thread.
    void showFleet();
    // Fleet: the vehicles' states for one redraw of the table. Timer thread.
    std::vector<FleetVehicle>& fleetStates();
    // Shows the fleet table or the three windows. ScreenLock held.
    void showViews(bool fleetTable);

    // Alarms (ConsoleAlarms.cpp, ConsoleFleetAlarms.cpp): the journal read at start, events from
    // every status message received (or played), the link watched at every redraw, the commands
    // alarms, ack and ack all, and the journal in the log window: the open vehicle's, or in a fleet
    // the whole fleet's (a in the table).
    void setUpAlarms(const ControllerAddress& controller);
    void setUpFleetAlarms();
    void setUpReplayAlarms();
    void watchAlarms();
    bool alarmCommand(const std::string& line);
    bool alarmKey(int key);
    void showAlarms();
    std::string alarmTitle() const;
    // `beside` with the alarm counts before it (alarm colour while any is unacknowledged).
    MonitorWindow::Beside withAlarms(MonitorWindow::Beside beside) const;
    // Fleet: the name the journal keeps vehicle `index` under.
    std::string fleetVehicleName(std::size_t index) const;
    // A fleet recording's replay: every vehicle's journal rebuilt from its own stream.
    void setUpFleetReplayAlarms();
    // Fleet: each vehicle's unacknowledged count and flood mark into its row.
    void fillAlarmCounts(std::vector<FleetVehicle>& states);
    // Fleet: the journal of every vehicle, from the table (a); back to the table. Command thread.
    void showFleetJournal();
    void leaveFleetJournal();
    // The vehicle whose journal and counts are shown ("" for the whole fleet's journal).
    std::string alarmScope() const;
    // The vehicle opened (or the one of a single console, or of a replay).
    std::string alarmVehicle() const;
    void setAlarmVehicle(const std::string& vehicle);

    std::unique_ptr<AlarmWatch> alarms_;
    mutable std::mutex alarmScopeMutex_;
    std::string alarmVehicle_;  // under alarmScopeMutex_
    std::string operator_;
    std::atomic<bool> alarmsShown_{false};
    std::atomic<bool> fleetJournal_{false};  // the journal shown is the whole fleet's
    std::atomic<int> alarmSelected_{0};      // the row of the journal selected, from the newest
    std::atomic<std::uint64_t> alarmsDrawn_{0};  // the watch's change count the shown journal has

    std::unique_ptr<Replayer> replayer_;
    // The replayer as requestStop sees it from the signal thread: published once it is made.
    std::atomic<Replayer*> replayerToWake_{nullptr};
    std::unique_ptr<FleetReceiver> fleet_;
    FleetWindow fleetWindow_;
    // The journal's counts by vehicle as the table last took them, and when; timer thread.
    std::map<std::string, AlarmCounts> alarmCounts_;
    std::uint64_t alarmCountsChanges_ = 0;
    std::chrono::steady_clock::time_point alarmCountsAt_{};
    std::vector<FleetVehicle> fleetStates_;  // as of the last redraw, live or replayed; timer thread
    std::atomic<bool> fleetShown_{false};
    std::atomic<std::int32_t> openVehicle_{-1};  // the vehicle opened last from the fleet table; -1: none

    Poco::Thread monitorThread;
    Poco::Thread commandThread;
    Poco::Thread logThread;
    Poco::Timer timer;
    Poco::RunnableAdapter<ConsoleApp> monitorRunnable;
    Poco::RunnableAdapter<LogWindow> logRunnable;
    Poco::RunnableAdapter<CommandWindow> commandRunnable;
    ConsoleSettings settings_;
    std::atomic<bool> running_{true};
    std::function<void(const char*)> startHook_;
    int startedThreads_ = 0;  // how many of the three threads were started, in start order
    std::string logSetupError_;
    std::vector<std::string> startNotes_;  // what went wrong at start-up, for the log window
};

}  // namespace kova
