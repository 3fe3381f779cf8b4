#include "app/ConsoleApp.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "base/OperationLog.h"
#include "command/CommandGuide.h"
#include "config/Configuration.h"
#include "net/Context.h"
#include "ui/IntroWindow.h"
#include "ui/Screen.h"

namespace kova {

namespace {

// Window rows: monitor 0-15, log 16-23, command title 24 and input from 25 down.
constexpr int kIntroTop = 7;
constexpr int kIntroHeight = 10;
constexpr int kMonitorTop = 0;
constexpr int kMonitorHeight = 16;
constexpr int kLogTop = 16;
constexpr int kLogHeight = 8;
constexpr int kCommandTop = 24;
constexpr int kCommandHeight = 1;

}  // namespace

ConsoleApp::ConsoleApp(ConsoleSettings settings)
    : timer(0, 0),
      monitorRunnable(monitor, &MonitorWindow::receiveLoop),
      logRunnable(log, &LogWindow::receiveLoop),
      commandRunnable(command, &CommandWindow::inputLoop),
      settings_(std::move(settings)) {
    try {
        setupOperationLog();
    } catch (const spdlog::spdlog_ex& e) {
        std::printf("Log initialization failed: %s\n", e.what());
        std::fflush(stdout);
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

    // Read after the banner, unless a vehicle name had it read before the screen started.
    const Configuration configuration =
        settings_.preloaded ? *settings_.preloaded : loadConfiguration(settings_.configPath);
    writeRecords(configuration);
    const ControllerAddress* named =
        settings_.vehicle.empty() ? nullptr : configuration.find(settings_.vehicle);
    const ControllerAddress controller = named != nullptr ? *named : firstConnection(configuration);

    monitor.create(cols, kMonitorTop, kMonitorHeight, controller);
    log.create(cols, kLogTop, kLogHeight, controller);
    command.create(cols, kCommandTop, kCommandHeight, controller);
    // The controller's lines are kept under its connection's name ("controller" without one).
    startNotes_.push_back(log.keepLines(configuration.connections.empty() ? "" : controller.name));

    monitor.draw();
    log.draw();
    command.draw();

    // What the monitor and the command line cannot show themselves becomes a log line.
    monitor.onNetworkError([this](const std::string& text) { log.print(text); });
    command.onNotice([this](const std::string& text) { log.print(text); });
    command.onKey([this](int key) { return log.takeKey(key); });
    command.onHelp([this] { log.showInBody(commandTable); });

    try {
        startWorkers(configuration.loaded);
    } catch (...) {
        requestStop();
        joinWorkers();
        throw;
    }
    joinWorkers();
}

void ConsoleApp::step(const char* name) {
    if (startHook_) {
        startHook_(name);
    }
}

void ConsoleApp::startWorkers(bool configured) {
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
    timer.start(Poco::TimerCallback<MonitorWindow>(monitor, &MonitorWindow::drawStatus),
                Poco::Thread::PRIO_NORMAL);

    if (!configured) {
        log.print("Loading configuration file is failed");
    }
    // Start-up failures of the messaging layer (a malformed host, a socket that cannot be made) and
    // of the controller's log file become log lines, so the operator sees why something stays quiet.
    startNotes_.push_back(monitor.startError());
    startNotes_.push_back(log.startError());
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

void ConsoleApp::requestStop() {
    monitor.stop();
    log.stop();
    command.requestStop();
    shutdownMessaging();
}

void ConsoleApp::resizeScreen() {
    winsize size{};
    if (ioctl(STDIN_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) {
        return;
    }
    ScreenLock lock;
    if (isendwin()) {
        return;
    }
    // The windows keep the layout of the start; a larger terminal shows blank space beside them,
    // a smaller one cuts them. Repainting from scratch leaves no debris of the old size.
    resizeterm(size.ws_row, size.ws_col);
    clearok(curscr, TRUE);
    for (CursesWindow* window : {static_cast<CursesWindow*>(&monitor), static_cast<CursesWindow*>(&log),
                                 static_cast<CursesWindow*>(&command)}) {
        window->fitToScreen();
        window->paint();
    }
}

void ConsoleApp::closeWindows() {
    log.close();
    command.close();
    monitor.close();
}

}  // namespace kova
