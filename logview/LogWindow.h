#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

    // The text of a messaging failure during create, empty when there was none.
    const std::string& startError() const { return startError_; }

protected:
    void writeCaption(int cols) override;
    void prepareBody() override;
    void redrawBody() override;

private:
    std::uint32_t lineCounter_ = 0;  // only touched under the ScreenLock
    LogHistory history_;             // likewise
    std::unique_ptr<Subscription> subscription_;
    std::string startError_;
    ControllerLog file_;
};

}  // namespace kova
