#pragma once

#include <string>

#include <Poco/Timer.h>

#include "monitor/StatusStore.h"
#include "net/SocketHolder.h"
#include "ui/CursesWindow.h"

namespace kova {

// The top window: the controller's published status (base port + 1), redrawn every 200 ms.
class MonitorWindow : public CursesWindow {
public:
    // Makes the subscriber socket (linger 0). A failure is kept as the start-up error.
    MonitorWindow();
    ~MonitorWindow() override;

    // Sets the controller address from the first configured connection, writes the title, then
    // subscribes and connects the status socket. A messaging failure is kept as the start-up error.
    // Main thread, before the monitor thread and the timer start.
    void create(int cols, int top, int height, ConsoleApp* app) override;

    // The monitor thread's body: stores every received status message until stopped or the
    // context is shut down (ETERM, returns quietly); any other messaging error leaves it and ends
    // the thread. Returns at once when the window has no working socket.
    void receiveLoop();

    // The timer's callback: redraws the body from the status record. Formats outside the screen
    // lock, then erases and writes the body under one ScreenLock. Does nothing after close().
    // Timer thread.
    void drawStatus(Poco::Timer& timer);

    const std::string& startError() const { return startError_; }
    // The status record as the receive loop keeps it; tests and benchmarks may feed it directly.
    StatusStore& status() { return status_; }

protected:
    void writeCaption(int cols) override;

private:
    SocketHolder socket_;
    StatusStore status_;
    std::string startError_;
};

}  // namespace kova
