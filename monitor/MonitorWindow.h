#pragma once

#include <string>

#include <Poco/Timer.h>

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
    void create(int cols, int top, int height, ConsoleApp* app) override;

    // The monitor thread's body: stores every received status message until stopped or the
    // context is shut down. Returns at once when the window has no working socket.
    void receiveLoop();

    // The timer's callback: redraws the body from the status record. Timer thread.
    void drawStatus(Poco::Timer& timer);

    const std::string& startError() const { return startError_; }

private:
    SocketHolder socket_;
    std::string startError_;
};

}  // namespace kova
