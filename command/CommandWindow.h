#pragma once

#include <string>

#include "command/RequestExchange.h"
#include "ui/CursesWindow.h"
#include "ui/LineEditor.h"

namespace kova {

// The bottom window: the "Command:" title line with its output field at column 10, and below it the
// input area where the operator types one command line at a time.
class CommandWindow : public CursesWindow {
public:
    CommandWindow();
    ~CommandWindow() override;

    // Title line "Command:" with the maker's web address at cols - 28; the input area is every row
    // below it (height 1 makes the body reach the screen's last row).
    void create(int cols, int top, int height, ConsoleApp* app) override;

    // The command thread's body: reads a line, runs it, clears the input area, redraws; until
    // stopped. Waits for keys with poll() outside the ScreenLock, so the other windows keep
    // drawing while the operator thinks.
    void inputLoop();

    // Ends inputLoop from any thread (clears the running flag and wakes the key wait).
    void requestStop();

    // Writes the text as literal characters at row 0, column 10 of the title line. Takes the
    // ScreenLock; does not refresh (inputLoop does after each command).
    void showText(std::string text);
    // The same, with ten blanks appended to wipe the end of a shorter earlier output.
    void showReply(std::string text);

    // Runs one command line: the command language, its request exchanges and waits. A stop ends the
    // waits at once, and nothing more is sent or shown. Command thread.
    void executeCommand(std::string line);

    // Sends [verb, body] to the controller on base port + 2 and returns the text to show: the verb, a
    // blank and the reply's second frame; "no response" after 1200 ms; "no socket req"; or the
    // messaging failure as "Network req: zmq error, ...". Never throws a messaging error. Command
    // thread; serialised by the exchange lock.
    std::string request(std::string verb, std::string body);

protected:
    void writeCaption(int cols) override;

private:
    // Sleeps `ms` milliseconds unless the window is stopped first. Returns false when stopped.
    bool pauseUnlessStopped(long ms);

    // Blocks until a line is entered (true) or the window is stopped (false).
    bool readLine(std::string& line);
    // Draws the line being typed and puts the cursor at its editing position. ScreenLock held.
    void renderInput();
    // Waits for a key on standard input or a stop. Returns false when stopping.
    bool waitForKey();

    // The request socket and the exchange lock; set-up failures are shown in the output field.
    RequestExchange exchange_{[this](const std::string& text) { showReply(text); }};
    LineEditor editor_;
    int wakePipe_[2] = {-1, -1};
    bool keyboardGone_ = false;
};

}  // namespace kova
