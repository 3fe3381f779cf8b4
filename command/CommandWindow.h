#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "command/CommandRunner.h"
#include "config/Configuration.h"
#include "ui/CursesWindow.h"
#include "ui/KeyInput.h"
#include "ui/LineEditor.h"

namespace kova {

// The bottom window: the "Command:" title line with its output field at column 10, and below it the
// input area where the operator types one command line at a time. A thin view: keys come from the
// KeyInput, lines are edited by the LineEditor and carried out by the CommandRunner.
class CommandWindow : public CursesWindow {
public:
    // Rows the screen needs for the input area below the title line at row 24.
    static constexpr int kRowsNeeded = 26;

    CommandWindow();
    ~CommandWindow() override;

    // Title line "Command:" with the maker's web address at cols - 28; the input area is every row
    // below it (height 1 makes the body reach the screen's last row). Requests go to `controller`'s
    // base port + 2. Main thread, before the command thread starts.
    void create(int cols, int top, int height, const ControllerAddress& controller);

    // Offered every key first, outside the ScreenLock (the log window's scroll keys, the end of a help
    // in its body), with whether nothing is being typed; a key it takes (returns true) never reaches
    // the line. Set before the command thread starts.
    void onKey(std::function<bool(int key, bool lineEmpty)> hook) { keyHook_ = std::move(hook); }

    // Carry out "find TEXT" / "/TEXT" and "filter TEXT": handed TEXT, they return what the output
    // field shows (a refusal, or empty text). Called without the ScreenLock. Set before the command
    // thread starts; without them both are unrecognised commands.
    void onFind(std::function<std::string(const std::string&)> find) { find_ = std::move(find); }
    void onFilter(std::function<std::string(const std::string&)> filter) { filter_ = std::move(filter); }
    // Lines that would send requests send none and show `why` (a replay). Before the command thread.
    void refuseRequests(std::string why) { runner_.refuseRequests(std::move(why)); }

    // Shows the command table (help): called without the ScreenLock. Set before the command thread
    // starts.
    void onHelp(std::function<void()> help) { help_ = std::move(help); }
    // Where the objects command's listing goes (the log window's lines). Set before the threads start.
    void onObjects(std::function<void(const std::vector<std::string>&)> objects) {
        objects_ = std::move(objects);
    }
    // Goes back to the fleet table ("fleet"): called without the ScreenLock. Only a console showing a
    // fleet sets it; without it "fleet" is an unrecognised command. Set before the command thread
    // starts.
    void onFleet(std::function<void()> fleet) { fleet_ = std::move(fleet); }
    // Offered every entered line before the command language: a line it takes (returns true) is
    // the console's own business (the alarm journal's) and goes to no controller. Called without
    // the ScreenLock. Set before the command thread starts.
    void onLocalLine(std::function<bool(const std::string&)> local) { local_ = std::move(local); }

    // Called after every request with how it went (a recorder). Set before the command thread starts.
    void onSent(std::function<void(const CommandRunner::Sent&)> tap) { runner_.onSent(std::move(tap)); }

    // Talks to `controller` from now on (a vehicle opened from the fleet): requests go to its base
    // port + 2, and the output field and the line being typed start empty. Any thread.
    void attach(const ControllerAddress& controller);

    // Where the window says what the output field cannot (the terminal too short even for the title
    // line). Set before the command thread starts; called without the ScreenLock.
    void onNotice(std::function<void(const std::string&)> notice) { notice_ = std::move(notice); }

    // After a resize (ScreenLock held): on a terminal now too short for the input area, writes
    // "terminal too small: ... this one has N" into the output field with the new height, or, when
    // even the title line is off the screen, returns that text once per height for the caller to give
    // to `notice` after it lets the lock go. On a terminal large enough the notice has gone already
    // (redrawBody). Nothing while the window is hidden.
    std::optional<std::string> sizeNotice();

    // The command thread's body: reads a line, runs it, clears the input area, redraws; until
    // stopped. Waits for keys outside the ScreenLock, so the other windows keep drawing while the
    // operator thinks. On a terminal too short for the input area it says so and takes no line
    // until the terminal is large enough.
    void inputLoop();

    // Ends inputLoop from any thread (clears the running flag and wakes the key wait).
    void requestStop();

    // Writes the text as literal characters at row 0, column 10 of the title line, after clearing
    // the whole output field (and writing the web address again); the text stays there, through
    // resizes, until the next output. Takes the ScreenLock; does not refresh (inputLoop does after
    // each command).
    void showText(std::string text);
    // The same, with ten blanks appended.
    void showReply(std::string text);

    // Runs one command line (CommandRunner::run), showing its texts in the output field; a stop ends
    // its pauses at once. Command thread.
    void executeCommand(std::string line);

    // Hidden, the window also gives up the input cursor. ScreenLock held.
    void setShown(bool shown) override;

protected:
    void writeCaption(int cols) override;
    void redrawBody() override;

private:
    // Blocks until a line is entered (true) or the window is stopped (false).
    bool readLine(std::string& line);
    // Feeds the keys read so far to the line editor, up to the end of a line. Returns true with the
    // line when one was entered; keys after it stay for the next line. ScreenLock held.
    bool takeLine(std::string& line);
    // Tab: completes the command word or keyword being typed; a second Tab on an ambiguous prefix
    // lists the candidates in the output field. ScreenLock held.
    void complete();
    // Draws the line being typed and puts the cursor at its editing position. ScreenLock held.
    void renderInput();
    // The text for a terminal too short for the input area.
    std::string tooSmallText() const;
    // Makes `text` the output and writes it. ScreenLock held.
    void setOutput(std::string text);
    // Writes the last output into the output field. ScreenLock held.
    void writeOutput();

    CommandRunner runner_;
    LineEditor editor_;  // only touched under the ScreenLock
    KeyInput keys_;
    std::deque<int> pending_;  // keys read but not yet fed to the editor; under the ScreenLock
    std::string output_;       // the last output shown; under the ScreenLock
    std::function<void(const std::string&)> notice_;
    std::function<bool(int, bool)> keyHook_;
    std::function<std::string(const std::string&)> find_;
    std::function<std::string(const std::string&)> filter_;
    std::function<bool(const std::string&)> local_;
    std::function<void()> help_;
    std::function<void(const std::vector<std::string>&)> objects_;
    std::function<void()> fleet_;
    bool lastKeyWasTab_ = false;  // a second Tab lists the candidates; under the ScreenLock
    int noticedLines_ = -1;       // screen height at the last notice that the terminal is too small
    bool tooSmallShown_ = false;  // the output field holds that notice
    int cols_ = 0;
};

}  // namespace kova
