#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/Configuration.h"
#include "logview/ControllerLog.h"
#include "logview/LogHistory.h"
#include "net/Subscription.h"
#include "ui/CursesWindow.h"

namespace kova {

// The middle window: the controller's published log (base port + 4) as numbered, scrolling lines.
class LogWindow : public CursesWindow {
public:
    LogWindow();
    ~LogWindow() override;

    // Title "Log:<2041>" with "TVX Co., Ltd." at W-17, a scrolling body, then makes, connects and
    // subscribes the log socket to `controller`'s base port + 4. A messaging failure is kept as the
    // start-up error (see startError). Main thread, before the log thread starts.
    void create(int cols, int top, int height, const ControllerAddress& controller);

    // Keeps every line received from now on in the controller's log file for `connectionName`
    // (ControllerLog). Returns why the file cannot be written, or empty text. Main thread, before the
    // log thread starts.
    std::string keepLines(const std::string& connectionName) { return file_.open(connectionName); }

    // The log thread's body: prints every frame of every received message as a line (and keeps it in
    // the controller's log file) until stopped or the context is shut down. A messaging error becomes
    // a line of its own ("Network log: zmq error, ...") and the loop goes on with a fresh socket.
    // Returns at once when the window has no socket; the file is flushed when it returns.
    void receiveLoop();

    // Numbers the text, scrolls the body as far as the line needs and writes it at the foot of the
    // part of the body that is on screen, then refreshes. Returns the number. Any thread; takes the
    // ScreenLock.
    std::uint32_t print(std::string text);

    // What the receive loop does with one line from the controller: prints it, refreshing the screen
    // at most every kBurstRefreshMs while lines keep coming (the rest waits for flushScreen), and
    // keeps it in the controller's log file. Log thread.
    void receiveLine(const std::string& line);
    // Brings lines printed by receiveLine to the screen. Log thread; takes the ScreenLock.
    void flushScreen();

    static constexpr int kBurstRefreshMs = 40;

    // The operator's keys for the log (handed over by the command line): PgUp and PgDn scroll back
    // and forth by one body height; PgDn past the newest line, or Esc, returns to live. While
    // scrolled back new lines are kept and counted in the title, and the view does not move. Any key
    // ends a help shown in the body. Returns true for a key the log took (PgUp, PgDn, Esc). Takes the
    // ScreenLock; command thread.
    bool takeKey(int key);

    // Shows the rows `rowsFor(bodyRows, bodyCols)` gives in the body instead of the log until the next
    // key, then the log comes back with every line that arrived meanwhile. Takes the ScreenLock (and
    // calls `rowsFor` under it); any thread.
    void showInBody(std::function<std::vector<std::string>(int rows, int cols)> rowsFor);

    // Rows of the history scrolled out of view below (0 while live). Takes the ScreenLock.
    std::size_t scrolledBackRows();

    // The text of a messaging failure during create, empty when there was none.
    const std::string& startError() const { return startError_; }

protected:
    void writeCaption(int cols) override;
    void prepareBody() override;
    void redrawBody() override;

private:
    // print with the refresh now, or when due. ScreenLock held.
    std::uint32_t addLine(const std::string& text, bool refreshNow);
    // Rows of the whole history laid out at the body's size. ScreenLock held.
    std::size_t historyRows() const;
    // How many lines lie wholly or partly below the view. ScreenLock held.
    std::size_t linesBelowView() const;
    // Writes the title again and refreshes it. ScreenLock held.
    void refreshTitle();

private:
    std::uint32_t lineCounter_ = 0;   // only touched under the ScreenLock
    LogHistory history_;              // likewise
    std::size_t backRows_ = 0;        // rows scrolled out of view below; 0 while live; likewise
    std::uint32_t newWhileBack_ = 0;  // lines arrived while scrolled back; likewise
    std::function<std::vector<std::string>(int, int)> help_;  // shown in the body until the next key
    bool unrefreshed_ = false;  // lines drawn but not yet refreshed; under the ScreenLock
    std::chrono::steady_clock::time_point lastRefresh_;
    std::unique_ptr<Subscription> subscription_;
    std::string startError_;
    ControllerLog file_;
};

}  // namespace kova
