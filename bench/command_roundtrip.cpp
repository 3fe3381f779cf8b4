// Round trip of one command request through the real code path (CommandWindow::request: the
// exchange lock, the REQ socket, the two-frame request, the reply taken apart) against a REP socket
// on loopback that answers at once. Optionally, with tmux present, the time from Enter to the reply
// on the screen of the real binary.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "command/RequestExchange.h"

namespace {

using Clock = std::chrono::steady_clock;

// A REP socket on its own context that answers every request with ["ok", body] at once.
class Answerer {
public:
    // Binds at `port`, or at a port the system picks when it is 0.
    explicit Answerer(int port = 0) : socket_(context_, zmq::socket_type::rep) {
        socket_.set(zmq::sockopt::linger, 0);
        socket_.bind("tcp://127.0.0.1:" + (port == 0 ? std::string("*") : std::to_string(port)));
        const std::string endpoint = socket_.get(zmq::sockopt::last_endpoint);
        port_ = std::stoi(endpoint.substr(endpoint.rfind(':') + 1));
        thread_ = std::thread([this] { serve(); });
    }
    ~Answerer() {
        stop_ = true;
        thread_.join();
    }
    int port() const { return port_; }

private:
    void serve() {
        while (!stop_) {
            zmq::pollitem_t item{socket_.handle(), 0, ZMQ_POLLIN, 0};
            if (zmq::poll(&item, 1, std::chrono::milliseconds(20)) == 0) {
                continue;
            }
            zmq::multipart_t request(socket_);
            zmq::multipart_t reply;
            reply.addstr("ok");
            reply.addstr(request.size() > 1 ? request[1].to_string() : "");
            reply.send(socket_);
        }
    }

    zmq::context_t context_;
    zmq::socket_t socket_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double percentile(std::vector<double> samples, double fraction) {
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[index];
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void measureRequests() {
    Answerer answerer;
    kova::RequestExchange exchange("tcp://127.0.0.1:" + std::to_string(answerer.port()));
    auto request = [&exchange](const std::string& verb, const std::string& body) {
        return exchange.exchange(verb, body).text;
    };

    const auto first = Clock::now();
    const std::string firstReply = request("get", "1/0");
    const double firstMs = millisecondsSince(first);
    if (firstReply != "get 1/0") {
        std::printf("unexpected reply '%s'\n", firstReply.c_str());
        return;
    }
    constexpr int kRounds = 5000;
    std::vector<double> samples;
    samples.reserve(kRounds);
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        const std::string reply = request("set", "3033/0/" + std::to_string(i));
        samples.push_back(millisecondsSince(start));
        if (reply.size() < 4) {
            std::printf("no reply in round %d: '%s'\n", i, reply.c_str());
            return;
        }
    }
    std::printf("%d request round trips on loopback (first, with socket set-up: %.3f ms)\n", kRounds,
                firstMs);
    std::printf("RESULT command_roundtrip_first %.3f ms\n", firstMs);
    std::printf("RESULT command_roundtrip_median %.3f ms\n", percentile(samples, 0.5));
    std::printf("RESULT command_roundtrip_p99 %.3f ms\n", percentile(samples, 0.99));
    std::printf("RESULT command_roundtrip_max %.3f ms\n", percentile(samples, 1.0));
}

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        pclose(pipe);
    }
    return output;
}

// Row `row` of the tmux pane's screen.
std::string paneRow(const std::string& tmux, int row) {
    const std::string text = run(tmux + " capture-pane -p -t main -S " + std::to_string(row) + " -E " +
                                 std::to_string(row) + " 2>/dev/null");
    return text.empty() ? text : text.substr(0, text.size() - 1);
}

bool waitForRow(const std::string& tmux, int row, const std::string& prefix, int timeoutMs) {
    const auto start = Clock::now();
    while (millisecondsSince(start) < timeoutMs) {
        if (paneRow(tmux, row).rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

// Enter pressed in the real binary (tmux send-keys) until the reply is on row 24 (capture-pane
// polled back to back). The figure includes tmux's own latency of one send-keys and the polling.
void measureEnterToScreen() {
    if (run("command -v tmux").empty()) {
        std::printf("tmux not found: Enter-to-screen not measured\n");
        return;
    }
    Answerer answerer;
    char dirTemplate[] = "/tmp/kova-bench-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (dir == nullptr) {
        return;
    }
    const std::string conf = std::string(dir) + "/conf.json";
    if (FILE* file = std::fopen(conf.c_str(), "w")) {
        std::fprintf(file, R"({"connection": [{"name": "bench", "IP": "127.0.0.1", "port": %d}]})",
                     answerer.port() - 2);
        std::fclose(file);
    }
    const std::string tmux = "tmux -L kova-bench-" + std::to_string(getpid());
    run(tmux + " -f /dev/null new-session -d -s main -x 160 -y 30 -c " + dir + " " + KOVA_CONSOLE_BINARY);
    std::vector<double> samples;
    if (waitForRow(tmux, 24, "Command:", 10000)) {
        for (int i = 0; i < 30; ++i) {
            const std::string token = "r" + std::to_string(i) + "x";
            run(tmux + " send-keys -t main -l get/1/" + token);
            const auto start = Clock::now();
            run(tmux + " send-keys -t main Enter");
            if (!waitForRow(tmux, 24, "Command:  get 1/" + token, 3000)) {
                break;
            }
            samples.push_back(millisecondsSince(start));
        }
    }
    std::string socketPath = run(tmux + " display -p '#{socket_path}' 2>/dev/null");
    run(tmux + " kill-server 2>/dev/null");
    if (!socketPath.empty()) {
        socketPath.pop_back();       // the newline
        unlink(socketPath.c_str());  // tmux leaves its socket file behind
    }
    run(std::string("rm -rf ") + dir);
    if (samples.empty()) {
        std::printf("Enter-to-screen: no reply seen on screen\n");
        return;
    }
    std::printf("%zu commands typed in the real binary under tmux\n", samples.size());
    std::printf("RESULT command_enter_to_screen_median %.1f ms\n", percentile(samples, 0.5));
    std::printf("RESULT command_enter_to_screen_max %.1f ms\n", percentile(samples, 1.0));
}

}  // namespace

int main() {
    measureRequests();
    measureEnterToScreen();
    return 0;
}
