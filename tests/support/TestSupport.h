#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace kova::test {

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes `contents` to `path`, replacing the file.
void writeFile(const std::string& path, const std::string& contents);
// The whole file, or empty text when it cannot be read.
std::string readFile(const std::string& path);
// True when something exists at `path`.
bool fileExists(const std::string& path);

// Writes conf.json with one connection to host and base port into `dir`.
void writeConf(const std::string& dir, const std::string& host, int basePort);

// A base port whose offsets +1, +2 and +4 are all free on 127.0.0.1 right now (random, so parallel
// tests do not collide).
int freeBasePort();

// A base port from which `count` vehicles' ports (base + 10 i + 1, 2, 4) are all free now, below the
// range the system hands out to outgoing connections.
int freeFleetBase(int count);

// Lines of `text` split at '\n'.
std::vector<std::string> splitLines(const std::string& text);

// Polls `done` every 50 ms until it returns true or `timeout` passes; returns its last result.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// A child process started with fork/exec in `cwd`; killed (SIGKILL after a SIGTERM grace) and reaped
// when the object goes, and killed with the test process should that die first.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& cwd,
                 const std::string& outputFile = "/dev/null");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Sends a signal; returns false when the process is gone.
    bool signal(int sig);
    // Waits up to `timeout` for the process to end; returns true with its wait status.
    bool waitExit(std::chrono::milliseconds timeout, int* status = nullptr);

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
};

}  // namespace kova::test
