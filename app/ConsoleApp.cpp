#include "app/ConsoleApp.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <optional>

#include "app/ScreenLayout.h"
#include "base/OperationLog.h"
#include "command/CommandGuide.h"
#include "config/Configuration.h"
#include "net/Context.h"
#include "ui/IntroWindow.h"
#include "ui/Screen.h"

namespace kova {

using namespace layout;

ConsoleApp::ConsoleApp(ConsoleSettings settings)
    : timer(0, 0),
      monitorRunnable(*this, &ConsoleApp::receiveStatus),
      logRunnable(log, &LogWindow::receiveLoop),
      commandRunnable(command, &CommandWindow::inputLoop),
      settings_(std::move(settings)) {
    try {
        setupOperationLog();
    } catch (const spdlog::spdlog_ex& e) {
        // Said in the log window while the console runs and on standard error after it.
        logSetupError_ = std::string("Log initialization failed: ") + e.what();
        startNotes_.push_back(logSetupError_);
    }
    initScreen();
}

ConsoleApp::~ConsoleApp() {
    ScreenLock lock;
    endScreen();
}

void ConsoleApp::initScreen() {
    ScreenLock lock;
    startScreen();
    rows = getmaxy(stdscr);
    cols = getmaxx(stdscr);
}

void ConsoleApp::run() {
    oplog::info("start kovaConsole");

    IntroWindow intro;
    intro.create(cols, kIntroTop, kIntroHeight);
    intro.draw();
    intro.close();

    // Read after the banner, unless a vehicle name, a fleet or a recording had it read before the
    // screen started. A replay reads none.
    Configuration configuration;
    configuration.loaded = true;
    if (!settings_.replay) {
        configuration = settings_.preloaded ? *settings_.preloaded : loadConfiguration(settings_.configPath);
    }
    writeRecords(configuration);

    if (settings_.replay) {
        setUpReplay();
        setUpReplayAlarms();
    } else if (settings_.fleet) {
        setUpFleet(configuration);
        setUpFleetAlarms();
    } else {
        const ControllerAddress controller = chosenConnection(configuration, settings_.vehicle);
        monitor.create(cols, kMonitorTop, kMonitorHeight, controller);
        log.create(cols, kLogTop, kLogHeight);
        command.create(cols, kCommandTop, kCommandHeight, controller);
        // The controller's lines are kept under its connection's name ("controller" without one).
        setUpAlarms(controller);
        startNotes_.push_back(monitor.startError());
        startNotes_.push_back(
            log.attach(controller, configuration.connections.empty() ? "" : controller.name, false));
        monitor.draw();
        log.draw();
        command.draw();
    }
    connectWindows();
    if (settings_.recorder) {
        connectRecorder();
    } else if (!settings_.replay) {
        // A log that cannot be written says so in the title, not over the screen.
        monitor.showBeside([this] {
            std::string failure = logWriteFailure();
            const bool alert = !failure.empty();
            return withAlarms(MonitorWindow::Beside{std::move(failure), alert});
        });
    }

    try {
        startWorkers(configuration.fault);
    } catch (...) {
        requestStop();
        joinWorkers();
        throw;
    }
    joinWorkers();
    if (settings_.recorder) {
        try {
            settings_.recorder->close();
        } catch (const record::RecordError& e) {
            oplog::error("{}", e.what());
        }
    }
}

void ConsoleApp::step(const char* name) {
    if (startHook_) {
        startHook_(name);
    }
}

void ConsoleApp::startWorkers(const std::string& configurationFault) {
    step("command thread");
    commandThread.start(commandRunnable);
    ++startedThreads_;
    step("monitor thread");
    monitorThread.start(monitorRunnable);
    ++startedThreads_;
    step("log thread");
    logThread.start(logRunnable);
    ++startedThreads_;

    step("timer");
    timer.setStartInterval(0);
    timer.setPeriodicInterval(kRedrawIntervalMs);
    timer.start(Poco::TimerCallback<ConsoleApp>(*this, &ConsoleApp::redraw), Poco::Thread::PRIO_NORMAL);

    if (!configurationFault.empty()) {
        log.print("Loading configuration file is failed");
        log.print(configurationFault);
    }
    // Start-up failures of the messaging layer (a malformed host, a socket that cannot be made) and
    // of the controller's log file become log lines, so the operator sees why something stays quiet.
    for (const std::string& note : startNotes_) {
        if (!note.empty()) {
            log.print(note);
        }
    }
}

void ConsoleApp::joinWorkers() {
    // In start order; a failed start leaves the later threads idle and unjoined.
    Poco::Thread* const threads[] = {&commandThread, &monitorThread, &logThread};
    for (int i = 0; i < startedThreads_; ++i) {
        threads[i]->join();
    }
    // The redraw must end before the windows are closed and the screen is ended.
    timer.stop();
}

void ConsoleApp::connectWindows() {
    // What the monitor and the command line cannot show themselves becomes a log line.
    monitor.onNetworkError([this](const std::string& text) { log.print(text); });
    command.onNotice([this](const std::string& text) { log.print(text); });
    // Keys: the fleet table takes them all while it is shown; otherwise the log window its scroll keys.
    command.onKey([this](int key, bool lineEmpty) {
        if (alarms_ && alarmKey(key)) {
            return true;
        }
        if (replayer_) {
            return replayKey(key, lineEmpty);
        }
        if (!fleetShown_) {
            return log.takeKey(key);
        }
        const FleetKey asked = fleetWindow_.takeKey(key);
        if (asked.action == FleetKey::Action::Open) {
            setAlarmVehicle(fleetVehicleName(asked.vehicle));
            openVehicle(asked.vehicle);
        } else if (asked.action == FleetKey::Action::Journal) {
            showFleetJournal();
        }
        return true;
    });
    // The log's search and filter, the same live, in a replay and in a vehicle opened from the fleet.
    command.onFind([this](const std::string& text) { return log.find(text); });
    command.onFilter([this](const std::string& text) { return log.filter(text); });
    const bool fleet = settings_.fleet;
    command.onHelp([this, fleet] {
        log.showInBody(
            [fleet](int bodyRows, int bodyCols) { return commandTable(bodyRows, bodyCols, fleet); });
    });
    command.onObjects([this](const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            log.print(line);
        }
    });
    if (fleet) {
        command.onFleet([this] {
            if (alarmsShown_) {
                leaveFleetJournal();  // the journal shown makes way for the log first
            } else {
                showFleet();
            }
        });
    }
}

void ConsoleApp::receiveStatus() {
    if (replayer_) {
        replayer_->run(running_);
    } else if (fleet_) {
        fleet_->run(running_, [this](const std::string& text) { log.print(text); });
    } else {
        monitor.receiveLoop();
    }
}

void ConsoleApp::redraw(Poco::Timer& timer) {
    watchAlarms();
    if (fleetShown_) {
        std::vector<FleetVehicle>& states = replayer_ ? replayedFleetStates() : fleetStates();
        fillAlarmCounts(states);
        // The recorder's, the log's and the journal's state, or the replay's clock, as the monitor
        // title shows them: a failure is never hidden behind the table.
        fleetWindow_.drawTable(states, monitor.besideNow());
    } else {
        monitor.drawStatus(timer);
    }
}

void ConsoleApp::requestStop() {
    running_ = false;
    // From the signal thread too, maybe while the replay is still being set up.
    if (Replayer* replayer = replayerToWake_.load(std::memory_order_acquire)) {
        replayer->wake();
    }
    monitor.stop();
    log.requestStop();
    command.requestStop();
    shutdownMessaging();
}

void ConsoleApp::resizeScreen() {
    winsize size{};
    if (ioctl(STDIN_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) {
        return;
    }
    std::optional<std::string> notice;
    {
        ScreenLock lock;
        if (isendwin()) {
            return;
        }
        // The windows keep the layout of the start; a larger terminal shows blank space beside them,
        // a smaller one cuts them. Repainting from scratch leaves no debris of the old size.
        resizeterm(size.ws_row, size.ws_col);
        clearok(curscr, TRUE);
        for (CursesWindow* window :
             {static_cast<CursesWindow*>(&monitor), static_cast<CursesWindow*>(&log),
              static_cast<CursesWindow*>(&command), static_cast<CursesWindow*>(&fleetWindow_)}) {
            window->fitToScreen();
            window->paint();
        }
        notice = command.sizeNotice();
    }
    if (notice) {
        log.print(*notice);  // the output field is off the screen
    }
}

void ConsoleApp::closeWindows() {
    log.close();
    command.close();
    monitor.close();
    fleetWindow_.close();
}

}  // namespace kova
