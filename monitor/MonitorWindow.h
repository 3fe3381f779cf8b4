#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <Poco/Timer.h>

#include "config/Configuration.h"
#include "monitor/LinkState.h"
#include "monitor/StatusStore.h"
#include "net/Subscription.h"
#include "ui/CursesWindow.h"

namespace kova {

// The monitor's title for `controller`, as the screen shows it and cut to `columns` display columns:
// the vehicle's name and host come from the configuration file and are written as every received
// text is (TextCells), so a line break or an escape sequence in them cannot cut or move the title.
// Pure.
std::string monitorTitle(const ControllerAddress& controller, int columns);

// The note the title shows once status messages came with more than kStatusLimits allow:
// "3 msgs over 4 frames/1 MiB: 8999988 frames dropped". Pure.
std::string statusCutText(std::uint64_t messages, std::uint64_t frames);

// The top window: the controller's published status (base port + 1), redrawn every 200 ms.
class MonitorWindow : public CursesWindow {
public:
    MonitorWindow();
    ~MonitorWindow() override;

    // Writes the title naming `controller`, then makes, subscribes and connects the status socket
    // (its base port + 1) whose messages the window's own record keeps and shows. A messaging failure
    // is kept as the start-up error. Main thread, before the monitor thread and the timer start.
    void create(int cols, int top, int height, const ControllerAddress& controller);
    // The window only, showing nothing received yet: a fleet's vehicles come through show().
    void create(int cols, int top, int height);

    // Shows `store`, a record another loop keeps (the fleet's), with `controller` in the title, until
    // the next show. `store` must outlive the window's use of it. Any thread; takes the ScreenLock.
    void show(StatusStore& store, const ControllerAddress& controller);

    // Called with every status message the window's own socket receives, before it is stored (a
    // recorder, the alarm watch). Each call adds a listener, in order. Set before the monitor thread
    // starts; called on the monitor thread.
    void onReceived(std::function<void(const zmq::multipart_t&)> tap) { taps_.push_back(std::move(tap)); }

    // A text shown left of the link indicator, asked at every redraw (the recorder's state), and
    // whether it must stand out; after statusCutText, in the alert colour, once the shown record
    // had a message cut. Set before the timer starts.
    struct Beside {
        std::string text;
        bool alert = false;
    };
    void showBeside(std::function<Beside()> beside) { beside_ = std::move(beside); }
    // That text as it stands now, for another view's title (the fleet table's). Timer thread.
    Beside besideNow() const { return beside_ ? beside_() : Beside{}; }
    // Where the link indicator comes from when not from the arrival times on the steady clock (a
    // replay, whose clock is its own). Set before the timer starts.
    void linkFrom(std::function<LinkState()> link) { linkFrom_ = std::move(link); }

    // Where messaging errors of the receive loop are reported ("Network status: zmq error, ...").
    // Set before the monitor thread starts.
    void onNetworkError(std::function<void(const std::string&)> report) { reportError_ = std::move(report); }

    // The monitor thread's body: stores every received status message until stopped or the context
    // is shut down (ETERM, returns quietly). Any other messaging error is reported and the loop goes
    // on with a fresh socket after a short pause. Returns at once when the window has no socket.
    void receiveLoop();

    // The timer's callback: redraws the body from the status record and the link indicator at the
    // right end of the title ("status: waiting", "status: live", "status: silent Ns"); while the
    // stream is silent the body is drawn dim, so nobody reads old values as current. Formats outside
    // the screen lock, then draws under one ScreenLock. Does nothing after close(). Timer thread.
    void drawStatus(Poco::Timer& timer);

    const std::string& startError() const { return startError_; }
    // The status record as the receive loop keeps it; tests and benchmarks may feed it directly.
    StatusStore& status() { return status_; }

protected:
    void writeCaption(int cols) override;
    void prepareBody() override;
    void redrawBody() override;

private:
    // Columns kept at the right end of the title for the link indicator.
    static constexpr int kLinkField = 20;
    // Writes the link indicator right-aligned in the title's last columns. ScreenLock held.
    void writeLink();

    ControllerAddress controller_;  // under the ScreenLock once threads run
    std::unique_ptr<Subscription> subscription_;
    StatusStore status_;
    std::atomic<StatusStore*> shown_{&status_};  // the record drawn
    std::string startError_;
    std::function<void(const std::string&)> reportError_;
    std::vector<std::function<void(const zmq::multipart_t&)>> taps_;
    std::function<Beside()> beside_;
    std::function<LinkState()> linkFrom_;
    std::string besideShown_;   // as last drawn; under the ScreenLock
    bool besideAlert_ = false;  // as last drawn; under the ScreenLock
    // What the body was last drawn from: another store, another count or another dimness draws it
    // again; nothing else does, unless a redraw is wanted (a new store shown, a body made anew).
    std::atomic<bool> redrawWanted_{true};
    StatusStore* drawnStore_ = nullptr;  // timer thread
    std::uint64_t drawnChanges_ = 0;     // timer thread
    bool drawnDim_ = false;              // timer thread
    LinkState link_;                     // as last drawn; under the ScreenLock
};

}  // namespace kova
