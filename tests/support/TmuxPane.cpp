#include "TmuxPane.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>

#include "TestSupport.h"

namespace kova::test {

std::string runCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, n);
    }
    pclose(pipe);
    return output;
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

namespace {
std::atomic<int> g_serverCount{0};
}

TmuxPane::TmuxPane(const std::string& command, const std::string& cwd, int cols, int rows)
    : socket_("kova-test-" + std::to_string(getpid()) + "-" + std::to_string(g_serverCount++)), cols_(cols) {
    // One command queue: remain-on-exit is set before the pane's command can end.
    tmux("-f /dev/null new-session -d -s main -x " + std::to_string(cols) + " -y " + std::to_string(rows) +
         " -c " + shellQuote(cwd) + " " + shellQuote(command) + " \\; set-option -t main remain-on-exit on" +
         " \\; set-option -t main status off");
    socketPath_ = tmux("display -p '#{socket_path}'");
    while (!socketPath_.empty() && socketPath_.back() == '\n') {
        socketPath_.pop_back();
    }
    startReaper();
    pid_ = panePid();
    if (pid_ <= 0) {
        shutDown();
        throw std::runtime_error("tmux did not start: " + command);
    }
}

TmuxPane::~TmuxPane() {
    shutDown();
}

void TmuxPane::shutDown() {
    if (reaperPid_ > 0) {
        // Its pipe closed, the reaper kills the server and removes the socket file.
        close(reaperPipe_);
        waitpid(reaperPid_, nullptr, 0);
        return;
    }
    tmux("kill-server");
    if (!socketPath_.empty()) {
        unlink(socketPath_.c_str());  // tmux leaves its socket file behind
    }
}

void TmuxPane::startReaper() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return;  // the destructor still kills the server
    }
    const pid_t pid = fork();
    if (pid == 0) {
        // Keep only the read end as standard input, so that the pipes of other panes' reapers do
        // not keep this one waiting; wait for its end of file, then kill the server (a no-op once
        // it is gone) and remove its socket file.
        dup2(fds[0], STDIN_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close_range(STDERR_FILENO + 1, ~0U, 0);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execl("/bin/sh", "sh", "-c", "cat >/dev/null; tmux -L \"$1\" kill-server; rm -f \"$2\"", "sh",
              socket_.c_str(), socketPath_.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[0]);
    if (pid < 0) {
        close(fds[1]);
        return;
    }
    reaperPipe_ = fds[1];
    reaperPid_ = pid;
}

std::string TmuxPane::tmux(const std::string& args) const {
    return runCommand("tmux -L " + socket_ + " " + args + " 2>/dev/null");
}

std::vector<std::string> TmuxPane::screen() const {
    return splitLines(tmux("capture-pane -p -t main"));
}

std::vector<std::string> TmuxPane::screenWithAttributes() const {
    return splitLines(tmux("capture-pane -p -e -t main"));
}

std::string TmuxPane::screenText() const {
    return tmux("capture-pane -p -t main");
}

std::string TmuxPane::historyText() const {
    return tmux("capture-pane -p -S -1000 -t main");
}

std::string TmuxPane::row(int row) const {
    const auto lines = screen();
    std::string line = row >= 0 && row < static_cast<int>(lines.size()) ? lines[row] : std::string();
    if (static_cast<int>(line.size()) < cols_) {
        line.resize(cols_, ' ');
    }
    return line;
}

bool TmuxPane::waitForScreen(const std::function<bool(const std::vector<std::string>&)>& done,
                             std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return done(screen()); }, timeout);
}

bool TmuxPane::waitForText(const std::string& text, std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return screenText().find(text) != std::string::npos; }, timeout);
}

bool rowStartsWith(const std::vector<std::string>& screen, int row, const std::string& text) {
    return row >= 0 && row < static_cast<int>(screen.size()) && screen[row].rfind(text, 0) == 0;
}

bool TmuxPane::waitForRow(int row, const std::string& text, std::chrono::milliseconds timeout) const {
    return waitForScreen(
        [&](const std::vector<std::string>& lines) { return rowStartsWith(lines, row, text); }, timeout);
}

void TmuxPane::typeText(const std::string& text) const {
    tmux("send-keys -t main -l " + shellQuote(text));
}

void TmuxPane::sendKeys(const std::vector<std::string>& keys) const {
    std::string args = "send-keys -t main";
    for (const auto& key : keys) {
        args += " " + shellQuote(key);
    }
    tmux(args);
}

void TmuxPane::resize(int cols, int rows) const {
    tmux("resize-window -t main -x " + std::to_string(cols) + " -y " + std::to_string(rows));
}

std::string TmuxPane::display(const std::string& format) const {
    std::string out = tmux("display-message -p -t main " + shellQuote(format));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}

int TmuxPane::panePid() const {
    const std::string pid = display("#{pane_pid}");
    return pid.empty() ? -1 : std::atoi(pid.c_str());
}

namespace {

// The exit status of process `pid` while it is a zombie (exited, not yet reaped), in the form
// waitpid() reports it (/proc/<pid>/stat's last field); -1 while it runs or once it is gone.
int zombieExitStatus(int pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto afterName = stat.rfind(')');
    if (afterName == std::string::npos || afterName + 2 >= stat.size() || stat[afterName + 2] != 'Z') {
        return -1;
    }
    const auto lastField = stat.find_last_of(' ', stat.find_last_not_of(" \n"));
    return std::atoi(stat.c_str() + lastField + 1);
}

}  // namespace

bool TmuxPane::paneDead(int* status) const {
    if (display("#{pane_dead}") != "1") {
        return false;
    }
    // tmux marks the pane dead before it has reaped the process, and now and then it leaves the
    // zombie unreaped for good: until the status is known, an empty one must not read as 0. The
    // zombie's own record in /proc gives it then.
    const std::string exitStatus = display("#{pane_dead_status}");
    const std::string signal = display("#{pane_dead_signal}");
    int code = -1;
    if (!exitStatus.empty()) {
        code = std::atoi(exitStatus.c_str());
    } else if (!signal.empty() && signal != "0") {
        code = 128 + std::atoi(signal.c_str());
    } else if (const int raw = zombieExitStatus(pid_); raw >= 0) {
        code = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    } else {
        return false;
    }
    if (status != nullptr) {
        *status = code;
    }
    return true;
}

bool TmuxPane::waitForExit(std::chrono::milliseconds timeout, int* status) const {
    return waitUntil([&] { return paneDead(status); }, timeout);
}

bool TmuxPane::stop(std::chrono::milliseconds timeout, int* status) const {
    int ended = -1;
    const bool stopped = ::kill(pid_, SIGTERM) == 0 && waitForExit(timeout, &ended) && ended == 0;
    if (status != nullptr) {
        *status = ended;
    }
    return stopped;
}

int TmuxPane::cursorRow() const {
    return std::atoi(display("#{cursor_y}").c_str());
}
int TmuxPane::cursorCol() const {
    return std::atoi(display("#{cursor_x}").c_str());
}
bool TmuxPane::cursorVisible() const {
    return display("#{cursor_flag}") == "1";
}

}  // namespace kova::test
