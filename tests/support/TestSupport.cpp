#include "TestSupport.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kova::test {

TempDir::TempDir() {
    char pattern[] = "/tmp/kova-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeConf(const std::string& dir, const std::string& host, int basePort) {
    writeFile(dir + "/conf.json", "{\"connection\": [{\"name\": \"test\", \"IP\": \"" + host +
                                      "\", \"port\": " + std::to_string(basePort) + "}]}\n");
}

namespace {

bool portIsFree(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

}  // namespace

int freeBasePort() {
    std::random_device seed;
    std::mt19937 random(seed() ^ static_cast<unsigned>(getpid()));
    std::uniform_int_distribution<int> pick(20000, 59000);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int base = pick(random);
        if (portIsFree(base + 1) && portIsFree(base + 2) && portIsFree(base + 4)) {
            return base;
        }
    }
    throw std::runtime_error("no free base port");
}

int freeFleetBase(int count) {
    std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(getpid()));
    std::uniform_int_distribution<int> pick(20000, 32000);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int base = pick(random);
        bool free = true;
        for (int i = 0; i < count && free; ++i) {
            free = portIsFree(base + 10 * i + 1) && portIsFree(base + 10 * i + 2) &&
                   portIsFree(base + 10 * i + 4);
        }
        if (free) {
            return base;
        }
    }
    throw std::runtime_error("no free fleet ports");
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& cwd,
                           const std::string& outputFile) {
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // Dies with the test process even when that is killed without unwinding.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(126);
        }
        if (chdir(cwd.c_str()) != 0) {
            _exit(126);
        }
        FILE* out = std::fopen(outputFile.c_str(), "a");
        if (out != nullptr) {
            dup2(fileno(out), STDOUT_FILENO);
            dup2(fileno(out), STDERR_FILENO);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0 || reaped_) {
        return;
    }
    ::kill(pid_, SIGTERM);
    if (!waitExit(std::chrono::milliseconds(3000))) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ChildProcess::signal(int sig) {
    return !reaped_ && ::kill(pid_, sig) == 0;
}

bool ChildProcess::waitExit(std::chrono::milliseconds timeout, int* status) {
    if (reaped_) {
        return true;
    }
    int result = 0;
    const bool done = waitUntil(
        [&] {
            if (waitpid(pid_, &result, WNOHANG) == pid_) {
                reaped_ = true;
            }
            return reaped_;
        },
        timeout);
    if (done && status != nullptr) {
        *status = result;
    }
    return done;
}

}  // namespace kova::test
