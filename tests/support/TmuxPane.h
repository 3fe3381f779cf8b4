#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kova::test {

// A tmux server of its own with one pane of the given size running `command` in `cwd`: the real
// binary in a real terminal. The pane stays after the command exits, so its last screen and exit
// status can still be read. The server is killed when the object goes, and also when the test
// process dies without unwinding (a sanitizer abort, CTest's time-out kill): a small reaper process
// waits on a pipe only this process writes to and kills the server when that pipe closes.
class TmuxPane {
public:
    TmuxPane(const std::string& command, const std::string& cwd, int cols = 160, int rows = 30);
    ~TmuxPane();
    TmuxPane(const TmuxPane&) = delete;
    TmuxPane& operator=(const TmuxPane&) = delete;

    // The screen as plain text, one string per row (trailing blanks cut by tmux).
    std::vector<std::string> screen() const;
    // The screen with SGR escape sequences (capture-pane -e), one string per row.
    std::vector<std::string> screenWithAttributes() const;
    // The whole screen joined with '\n', for failure messages.
    std::string screenText() const;
    // The screen and the lines scrolled off above it.
    std::string historyText() const;
    // Row `row` of the plain screen, padded with blanks to the pane's width.
    std::string row(int row) const;

    // Waits until `done(screen)` holds; on time-out returns false (callers print screenText()).
    bool waitForScreen(const std::function<bool(const std::vector<std::string>&)>& done,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const;
    // Waits until `text` appears anywhere on the screen.
    bool waitForText(const std::string& text,
                     std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const;
    // Waits until screen row `row` starts with `text`.
    bool waitForRow(int row, const std::string& text,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const;
    // Waits for the console's working windows ("Command:" on row 24), which follow the 2000 ms banner.
    bool waitForWorkingWindows() const { return waitForRow(24, "Command:", std::chrono::milliseconds(8000)); }

    // Types the characters literally (no key-name lookup).
    void typeText(const std::string& text) const;
    // Sends tmux key names: "Enter", "Up", "BSpace", "C-c", ...
    void sendKeys(const std::vector<std::string>& keys) const;
    // Resizes the pane's window.
    void resize(int cols, int rows) const;

    // The pid of the pane's process (the command), or -1.
    int panePid() const;
    // True once the command has exited and been reaped; `status` gets its exit status, or 128 plus
    // the signal that killed it.
    bool paneDead(int* status = nullptr) const;
    bool waitForExit(std::chrono::milliseconds timeout, int* status = nullptr) const;
    // Ends the pane's process with SIGTERM; true when it exited with status 0 within `timeout`.
    // `status` gets the exit status (or 128 plus the signal) when it ended, -1 when it did not.
    bool stop(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000),
              int* status = nullptr) const;

    // Cursor position and visibility as tmux sees them.
    int cursorRow() const;
    int cursorCol() const;
    bool cursorVisible() const;
    // A tmux format evaluated for the pane ("#{pane_pid}", "#{alternate_on}", ...).
    std::string display(const std::string& format) const;

    int cols() const { return cols_; }

private:
    std::string tmux(const std::string& args) const;
    void startReaper();
    void shutDown();

    std::string socket_;
    std::string socketPath_;
    int reaperPipe_ = -1;  // write end; closing it (or dying) lets the reaper run
    int reaperPid_ = -1;
    int cols_;
    int pid_ = -1;  // the pane's process, as started
};

// True when row `row` of a captured screen starts with `text`.
bool rowStartsWith(const std::vector<std::string>& screen, int row, const std::string& text);

// Runs a shell command and returns its standard output.
std::string runCommand(const std::string& command);

// Quotes a text for the shell.
std::string shellQuote(const std::string& text);

}  // namespace kova::test
