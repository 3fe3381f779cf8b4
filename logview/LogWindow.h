#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "config/Configuration.h"
#include "logfind/FindTexts.h"
#include "logfind/LogPattern.h"
#include "logview/ControllerLog.h"
#include "logview/LogHistory.h"
#include "net/Subscription.h"
#include "ui/CursesWindow.h"

namespace kova {

// The line the log shows after a message that held more than kLogLimits allow: "Network log:
// message over 64 lines/1 MiB, 999936 lines (0 bytes) dropped, 999936 in all". Pure.
std::string logCutText(const MessageCut& cut, std::uint64_t framesInAll);

// The middle window: the controller's published log (base port + 4) as numbered, scrolling lines.
class LogWindow : public CursesWindow {
public:
    LogWindow();
    ~LogWindow() override;

    // Title "Log:<2041>" with "TVX Co., Ltd." at W-17 and a scrolling body. Main thread.
    void create(int cols, int top, int height);

    // Takes `controller`'s log stream (base port + 4) from now on, in place of any earlier one: the
    // socket is made, connected and subscribed here, and the log thread receives from it. Every line
    // received is kept in the controller's log file under `fileName` (ControllerLog; "controller"
    // when empty). When `fresh`, the body and the line numbers start over, as for a console just
    // started. Returns what went wrong (the socket or the file), or empty text. Any thread.
    std::string attach(const ControllerAddress& controller, const std::string& fileName, bool fresh);
    // Lets go of the log stream: no lines until the next attach. Any thread.
    void detach();

    // Keeps the lines received from now on in the controller's log file for `fileName` (what attach
    // arranges for the log thread). Returns why the file cannot be written, or empty text. Only while
    // no log thread receives (benchmarks).
    std::string keepLines(const std::string& fileName) { return file_.open(fileName); }

    // The log thread's body: prints every frame of every received message of the attached stream as
    // a line and keeps it in the controller's log file, until stopped or the context is shut down;
    // waits while no stream is attached. A message keeps as many frames as kLogLimits allow, and a
    // line of logCutText, on screen and in the file, tells what was dropped. A messaging error
    // becomes a line of its own ("Network log: zmq error, ...") and the loop goes on with a fresh
    // socket.
    void receiveLoop();

    // Ends receiveLoop from any thread, attached or not.
    void requestStop();

    // Numbers the text, scrolls the body as far as the line needs and writes it at the foot of the
    // part of the body that is on screen, then refreshes. Returns the number. Any thread; takes the
    // ScreenLock.
    std::int64_t print(std::string text);

    // What the receive loop does with one line from the controller: prints it, refreshing the screen
    // at most every kBurstRefreshMs while lines keep coming (the rest waits for flushScreen), and
    // keeps it in the controller's log file. Log thread.
    void receiveLine(const std::string& line);
    // Brings lines printed by receiveLine or replayLine to the screen. Takes the ScreenLock.
    void flushScreen();

    // A line of a recording, with the number it had: printed as receiveLine prints (the screen
    // refreshed at most every kBurstRefreshMs; flushScreen for the rest). Takes the ScreenLock.
    void replayLine(std::int64_t number, const std::string& line);
    // An empty body, numbering from 0 again, live and without help: a console just started. Takes
    // the ScreenLock.
    void startOver();

    // Called with every line received from the controller and the number it got (a recorder). Set
    // before the log thread starts; called on the log thread.
    void onReceived(std::function<void(std::int64_t number, const std::string& line)> tap) {
        tap_ = std::move(tap);
    }

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
    // `alertRow(i)`, when given, says which of those rows stand out (alert colour, bold).
    void showInBody(std::function<std::vector<std::string>(int rows, int cols)> rowsFor,
                    std::function<bool(std::size_t row)> alertRow = nullptr);

    // Rows of the history scrolled out of view below (0 while live). Takes the ScreenLock.
    std::size_t scrolledBackRows();

    // The operator's search ("find TEXT", "/TEXT"; LogPattern says what TEXT may be): scrolls the view
    // to the newest line of the scrollback that holds a match, shows every match on screen in reverse
    // video and the count in the title, and counts the matches in new lines as they come. The keys
    // kOlderMatchKey and kNewerMatchKey step through the matches; Esc, while live, ends the search.
    // Returns the refusal text ("find: ..."), or empty text when the search stands. Takes the
    // ScreenLock; command thread.
    std::string find(const std::string& typed);
    // Shows only the lines that match (numbered as ever), new ones too, with "N of M lines" in the
    // title; empty `typed` shows every line again. Returns the refusal text ("filter: ...") or empty
    // text. Takes the ScreenLock; command thread.
    std::string filter(const std::string& typed);

    static constexpr int kOlderMatchKey = KEY_F(3);
    static constexpr int kNewerMatchKey = KEY_F(15);  // Shift-F3

protected:
    void writeCaption(int cols) override;
    void prepareBody() override;
    void redrawBody() override;

private:
    // print with the refresh now, or when due. ScreenLock held.
    std::int64_t addLine(const std::string& text, bool refreshNow);
    // Rows of the whole history laid out at the body's size. ScreenLock held.
    std::size_t historyRows() const;
    // How many lines lie wholly or partly below the view. Laid out once per scroll position and body
    // size, then counted on as lines arrive. ScreenLock held.
    std::size_t linesBelowView();
    // Writes the title again and refreshes it. ScreenLock held.
    void refreshTitle();
    // Refreshes the body (and a title whose counts changed) now, or when due. ScreenLock held.
    void settle(bool refreshNow);
    // Draws the body and the title again and refreshes both. ScreenLock held.
    void repaintLog();

    // The lines the body shows: those the filter keeps, or every line. ScreenLock held.
    const std::deque<LogEntry>& shown() const { return filter_ ? filtered_ : history_.entries(); }
    // The bytes of a line shown in reverse video: the search's matches, else the filter's.
    std::vector<MatchSpan> spansOf(const std::string& text) const;
    // Keeps the filter's lines and the search's matches in step with a line just appended; returns
    // whether the body shows it. ScreenLock held.
    bool followLine(const LogEntry& entry);
    // The search's matches among the lines shown, the newest current. ScreenLock held.
    void collectMatches();
    // Scrolls so the current match is the lowest line in view (or as low as the history allows),
    // then repaints. ScreenLock held.
    void showMatch();
    // The text the title shows for the search and the filter (empty when neither is on).
    std::string findCaption() const;

private:
    std::int64_t lineCounter_ = 0;   // only touched under the ScreenLock
    LogHistory history_;             // likewise
    std::size_t backRows_ = 0;       // rows scrolled out of view below; 0 while live; likewise
    std::int64_t newWhileBack_ = 0;  // lines arrived while scrolled back; likewise
    struct BelowView {
        int rows;
        int cols;
        std::size_t lines;
    };
    std::optional<BelowView> below_;                          // linesBelowView() for this body size; likewise
    std::function<std::vector<std::string>(int, int)> help_;  // shown in the body until the next key
    std::optional<LogPattern> find_;                          // the search; under the ScreenLock
    MatchList matches_;                                       // its matches among the lines shown; likewise
    std::optional<LogPattern> filter_;                        // the filter; likewise
    std::deque<LogEntry> filtered_;                           // the lines it keeps, oldest first; likewise
    bool titleStale_ = false;   // counts in the title changed since it was refreshed
    std::function<bool(std::size_t)> helpAlert_;               // which of its rows stand out
    bool unrefreshed_ = false;  // lines drawn but not yet refreshed; under the ScreenLock
    std::chrono::steady_clock::time_point lastRefresh_;
    // The stream handed over by attach() and the flag that ends the one being received.
    std::mutex attachMutex_;
    std::condition_variable attachChanged_;
    std::unique_ptr<Subscription> next_;
    std::string nextFile_;
    std::atomic<bool> receiving_{false};  // set by the log thread as it takes a stream
    ControllerLog file_;                  // the log thread's
    std::uint64_t droppedFrames_ = 0;     // frames let go of cut messages; the log thread's
    std::function<void(std::int64_t, const std::string&)> tap_;
};

}  // namespace kova
