#pragma once

#include <cstdint>
#include <string>

#include "net/SocketHolder.h"
#include "ui/CursesWindow.h"

namespace kova {

// The middle window: the controller's published log (base port + 4) as numbered, scrolling lines.
class LogWindow : public CursesWindow {
public:
    // Makes the subscriber socket (linger 0). A failure is kept as the start-up error, and the
    // window's traffic stays off.
    LogWindow();
    ~LogWindow() override;

    // Title "Log:<2041>" with "TVX Co., Ltd." at W-17, a scrolling body, then connects and
    // subscribes the log socket. A messaging failure is kept as the start-up error (see startError).
    void create(int cols, int top, int height, ConsoleApp* app) override;

    // The log thread's body: prints every received frame as a line until stopped or the context is
    // shut down. Returns at once when the window has no working socket.
    void receiveLoop();

    // Numbers the text, scrolls the body and writes the line at its foot, then refreshes. Any thread;
    // takes the ScreenLock.
    void print(std::string text);

    // The text of a messaging failure during construction or create, empty when there was none.
    const std::string& startError() const { return startError_; }


protected:
    void writeCaption(int cols) override;

private:
    std::uint32_t lineCounter_ = 0;  // only touched under the ScreenLock
    SocketHolder socket_;
    std::string startError_;
};

}  // namespace kova
