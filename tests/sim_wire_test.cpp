// The real kovaSimOHV on loopback: its status stream, request replies, log stream, fault modes,
// flood, configuration and shut-down, seen through real ZeroMQ sockets.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <map>
#include <set>

#include <gtest/gtest.h>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "TestSupport.h"
#include "protocol/StatusLayout.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The value count of each status object's full form (the simulator sends the full forms), by index.
std::map<std::string, std::size_t> fullValueCounts() {
    std::map<std::string, std::size_t> counts;
    for (const protocol::ObjectLayout& layout : protocol::kStatusLayouts) {
        counts[std::to_string(layout.index())] = layout.valueCount();
    }
    return counts;
}

const std::map<std::string, std::size_t> kValueCounts = fullValueCounts();

std::size_t valueCount(const std::string& values) {
    return static_cast<std::size_t>(std::count(values.begin(), values.end(), '/')) + 1;
}

std::vector<std::string> texts(zmq::multipart_t& message) {
    std::vector<std::string> frames;
    for (auto& frame : message) {
        frames.push_back(frame.to_string());
    }
    return frames;
}

// One simulator in a temp dir of its own, with subscribers on its status and log streams.
class SimRun {
public:
    explicit SimRun(std::vector<std::string> extra = {}) : port_(freeBasePort()) {
        std::vector<std::string> argv = {KOVA_SIM_BINARY, "--port", std::to_string(port_), "--seed", "1"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        child_ = std::make_unique<ChildProcess>(argv, dir_.path(), dir_.file("output.txt"));
        status_ = subscriber(1);
        log_ = subscriber(4);
    }
    ~SimRun() {
        status_.close();
        log_.close();
    }

    int port() const { return port_; }
    ChildProcess& child() { return *child_; }
    TempDir& dir() { return dir_; }
    zmq::socket_t& status() { return status_; }
    zmq::socket_t& log() { return log_; }
    zmq::context_t& context() { return context_; }

    std::string endpoint(int offset) const { return "tcp://127.0.0.1:" + std::to_string(port_ + offset); }

    // Receives one status message, waiting up to `timeout`; false when none came.
    bool receive(zmq::socket_t& socket, std::vector<std::string>& frames, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            zmq::multipart_t message;
            if (message.recv(socket)) {
                frames = texts(message);
                return true;
            }
        }
        return false;
    }

    // Collects the last values of each index until `done` holds or `timeout` passes.
    template <typename Done>
    bool watchStatus(std::map<std::string, std::string>& last, Done done, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        std::vector<std::string> frames;
        while (Clock::now() < deadline) {
            if (receive(status_, frames, 100ms) && frames.size() >= 2) {
                last[frames[0]] = frames[1];
                if (done()) {
                    return true;
                }
            }
        }
        return false;
    }

    // Sends one request on a fresh REQ socket; returns the reply frames, empty on time-out.
    std::vector<std::string> request(const std::string& verb, const std::string& body,
                                     std::chrono::milliseconds timeout = 1200ms) {
        zmq::socket_t socket(context_, zmq::socket_type::req);
        socket.set(zmq::sockopt::linger, 0);
        socket.set(zmq::sockopt::rcvtimeo, static_cast<int>(timeout.count()));
        socket.connect(endpoint(2));
        zmq::multipart_t message;
        message.addstr(verb);
        message.addstr(body);
        message.send(socket);
        zmq::multipart_t reply;
        if (!reply.recv(socket)) {
            return {};
        }
        return texts(reply);
    }

    // Lines of the log stream that arrive within `timeout`, until one contains `text`.
    bool waitForLogLine(const std::string& text, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        std::vector<std::string> frames;
        while (Clock::now() < deadline) {
            if (receive(log_, frames, 100ms) && frames.size() == 1 &&
                frames[0].find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // A subscription takes effect some time after the connect: asks until a request's own log line
    // comes back on the log stream.
    bool waitForLogStream(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            request("get", "111/0", 1000ms);
            if (waitForLogLine("request get 111/0", 300ms)) {
                return true;
            }
        }
        return false;
    }

private:
    zmq::socket_t subscriber(int offset) {
        zmq::socket_t socket(context_, zmq::socket_type::sub);
        socket.set(zmq::sockopt::linger, 0);
        socket.set(zmq::sockopt::rcvtimeo, 100);
        socket.set(zmq::sockopt::rcvhwm, 0);
        socket.set(zmq::sockopt::subscribe, "");
        socket.connect(endpoint(offset));
        return socket;
    }

    TempDir dir_;
    int port_;
    zmq::context_t context_;
    std::unique_ptr<ChildProcess> child_;
    zmq::socket_t status_;
    zmq::socket_t log_;
};

TEST(SimWireStatus, EveryIndexOfTheMonitorIsPublishedWithItsValueCount) {
    SimRun sim;
    std::map<std::string, std::string> last;
    std::map<std::string, int> counts;
    std::vector<std::string> frames;
    const auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline && last.size() < kValueCounts.size()) {
        if (sim.receive(sim.status(), frames, 100ms)) {
            ASSERT_EQ(frames.size(), 2u) << frames[0];
            last[frames[0]] = frames[1];
        }
    }
    for (const auto& [index, count] : kValueCounts) {
        ASSERT_TRUE(last.count(index)) << "index " << index << " never published";
        EXPECT_EQ(valueCount(last[index]), count) << index << ": " << last[index];
    }
    EXPECT_EQ(last.size(), kValueCounts.size());
}

TEST(SimWireStatus, FastObjectsComeTwentyTimesASecondAndSlowOnesAFewTimes) {
    SimRun sim;
    std::vector<std::string> frames;
    ASSERT_TRUE(sim.receive(sim.status(), frames, 5s));
    std::map<std::string, int> counts;
    const auto end = Clock::now() + 2s;
    while (Clock::now() < end) {
        if (sim.receive(sim.status(), frames, 100ms)) {
            ++counts[frames[0]];
        }
    }
    // 20 and 4 a second; the lower bounds leave room for a busy machine, the upper ones catch bursts.
    EXPECT_GE(counts["4034"], 20);
    EXPECT_LE(counts["4034"], 44);
    EXPECT_GE(counts["500"], 2);
    EXPECT_LE(counts["500"], 10);
}

TEST(SimWireRequests, RepliesAreTwoFramesStatusThenText) {
    SimRun sim;
    struct Case {
        const char* verb;
        const char* body;
        std::vector<std::string> reply;
    };
    const Case cases[] = {
        {"set", "3033/0/15", {"OK", "3033/0 = 15 OK"}},
        {"get", "3033/0", {"OK", "3033/0 = 15"}},
        {"set", "9999/0/1", {"ERR", "ERR: unknown object 9999/0"}},
        {"getm", "703", {"OK", "703 = 1/0"}},
        {"set", "3033/0", {"ERR", "ERR: malformed body '3033/0' (set index/subindex/value)"}},
        {"nonsense", "\xff\x01", {"ERR", "ERR: unknown verb 'nonsense' (set, setm, get, getm)"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sim.request(c.verb, c.body, 3000ms), c.reply) << c.verb << " " << c.body;
    }
}

TEST(SimWireRequests, OddlyFramedRequestsGetAnErrorAndTheSimulatorGoesOn) {
    SimRun sim;
    zmq::socket_t dealer(sim.context(), zmq::socket_type::dealer);
    dealer.set(zmq::sockopt::linger, 0);
    dealer.set(zmq::sockopt::rcvtimeo, 3000);
    dealer.connect(sim.endpoint(2));
    const std::vector<std::vector<std::string>> requests = {
        {"", "set"},                               // one payload frame after the delimiter
        {"", "get", "3009/0", "extra", "frames"},  // extra frames are ignored
        {"set", "3033/0/15"},                      // no delimiter at all
        {"", std::string(1 << 20, 'x'), std::string("\0\0\0", 3)},
    };
    const std::vector<std::vector<std::string>> replies = {
        {"", "ERR", "ERR: a request is two frames, verb and body"},
        {"", "OK", "3009/0 = 1"},
        {"OK", "3033/0 = 15 OK"},
        {"", "ERR", "ERR: unknown verb '" + std::string(40, 'x') + "...' (set, setm, get, getm)"},
    };
    for (std::size_t i = 0; i < requests.size(); ++i) {
        zmq::multipart_t message;
        for (const auto& frame : requests[i]) {
            message.addstr(frame);
        }
        message.send(dealer);
        zmq::multipart_t reply;
        ASSERT_TRUE(reply.recv(dealer)) << "request " << i;
        EXPECT_EQ(texts(reply), replies[i]) << "request " << i;
    }
    EXPECT_EQ(sim.request("get", "111/0", 3000ms).size(), 2u);
}

TEST(SimWireRequests, TheOperatorsCommandsDriveTheVehicleToItsGoal) {
    SimRun sim({"--time-scale", "20", "--no-obstacles"});
    std::map<std::string, std::string> last;
    ASSERT_TRUE(sim.watchStatus(
        last, [&] { return last["111"] == "3"; }, 5s));
    EXPECT_EQ(sim.request("set", "4092/0/1", 3000ms)[0], "OK");
    ASSERT_TRUE(sim.watchStatus(
        last, [&] { return last["7034"] == "1"; }, 5s));
    EXPECT_EQ(sim.request("set", "112/0/2", 3000ms)[0], "OK");
    EXPECT_EQ(sim.request("set", "3033/0/15", 3000ms)[0], "OK");
    EXPECT_EQ(sim.request("set", "3031/0/2", 3000ms)[0], "OK");
    bool moved = false;
    ASSERT_TRUE(sim.watchStatus(
        last,
        [&] {
            moved = moved || (last.count("4034") && last["4034"] != "0");
            return last["3011"].size() > 2 && last["3011"].back() == '1';
        },
        20s))
        << last["3011"];
    EXPECT_TRUE(moved);
    EXPECT_TRUE(sim.watchStatus(
        last, [&] { return last["3009"] == "15/13/0"; }, 2s))
        << last["3009"];
    EXPECT_EQ(last["111"], "4");
    EXPECT_EQ(last["3012"].rfind("15/", 0), 0u);
}

TEST(SimWireLog, RequestsAndEventsAreLoggedAndTheSwitchesWork) {
    SimRun sim;
    std::vector<std::string> frames;
    ASSERT_TRUE(sim.waitForLogStream(5s));
    sim.request("set", "3050/0/LX", 3000ms);
    EXPECT_TRUE(sim.waitForLogLine("request set 3050/0/LX -> 3050/0 = LX OK", 3s));
    EXPECT_TRUE(sim.waitForLogLine("steering target LX", 3s));
    sim.request("set", "703/1/1", 3000ms);
    EXPECT_TRUE(sim.waitForLogLine("debug: seg 1", 3s));
    sim.request("set", "703/0/0", 3000ms);
    while (sim.receive(sim.log(), frames, 300ms)) {
    }
    sim.request("set", "3050/0/RR", 3000ms);
    EXPECT_FALSE(sim.receive(sim.log(), frames, 1500ms)) << "log line while publishing is off: " << frames[0];
    sim.request("set", "703/0/1", 3000ms);
    EXPECT_TRUE(sim.waitForLogLine("debug:", 3s));
    // Its own activity goes to its log file, never to the terminal.
    EXPECT_NE(readFile(sim.dir().file("log/kovaSimOHV.log")).find("request set 3050/0/RR"),
              std::string::npos);
    EXPECT_EQ(readFile(sim.dir().file("output.txt")), "");
}

TEST(SimWireFaults, NeverAnswerLeavesEveryRequestUnanswered) {
    SimRun sim({"--fault", "never-answer"});
    std::vector<std::string> frames;
    ASSERT_TRUE(sim.receive(sim.status(), frames, 5s));
    EXPECT_TRUE(sim.request("get", "111/0").empty());
    EXPECT_TRUE(sim.request("get", "111/0").empty());
    EXPECT_TRUE(sim.receive(sim.status(), frames, 1s));  // still publishing
}

TEST(SimWireFaults, LateAnswerRepliesAfterFifteenHundredMilliseconds) {
    SimRun sim({"--fault", "late-answer"});
    std::vector<std::string> frames;
    ASSERT_TRUE(sim.receive(sim.status(), frames, 5s));
    EXPECT_TRUE(sim.request("get", "111/0", 1200ms).empty());
    const auto start = Clock::now();
    const auto reply = sim.request("get", "106/0", 4000ms);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(reply, (std::vector<std::string>{"OK", "106/0 = kovaSimOHV"}));
    EXPECT_GE(waited, 1400ms);
}

TEST(SimWireFaults, MalformedModeMixesBrokenMessagesIntoTheStream) {
    SimRun sim({"--fault", "malformed"});
    std::set<std::string> seen;
    std::vector<std::string> frames;
    std::size_t normal = 0;
    const auto deadline = Clock::now() + 8s;
    while (Clock::now() < deadline && seen.size() < 5) {
        if (!sim.receive(sim.status(), frames, 100ms)) {
            continue;
        }
        if (frames.size() == 1) {
            seen.insert("one frame");
        } else if (frames.size() == 5) {
            seen.insert("five frames");
        } else if (frames[1].size() >= (1u << 20)) {
            seen.insert("huge");
        } else if (frames[0] == "9999") {
            seen.insert("unknown index");
        } else if (frames[0].find('\xff') != std::string::npos) {
            seen.insert("binary");
        } else if (kValueCounts.count(frames[0]) && valueCount(frames[1]) == kValueCounts.at(frames[0])) {
            ++normal;
        }
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_GT(normal, 100u);
}

TEST(SimWireFlood, AFloodArrivesWhole) {
    SimRun sim({"--flood", "50000", "--flood-delay", "3000"});
    std::vector<std::string> frames;
    ASSERT_TRUE(sim.receive(sim.status(), frames, 2500ms)) << "subscriber not connected before the flood";
    std::size_t received = 0;
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline && received < 50000) {
        if (sim.receive(sim.status(), frames, 100ms)) {
            ++received;
        }
    }
    EXPECT_GE(received, 50000u);
}

TEST(SimWireProcess, EndsCleanlyOnSigtermAndSigint) {
    for (int sig : {SIGTERM, SIGINT}) {
        SimRun sim;
        std::vector<std::string> frames;
        ASSERT_TRUE(sim.receive(sim.status(), frames, 5s));
        ASSERT_TRUE(sim.child().signal(sig));
        int status = -1;
        ASSERT_TRUE(sim.child().waitExit(3s, &status));
        EXPECT_TRUE(WIFEXITED(status)) << "signal " << sig;
        EXPECT_EQ(WEXITSTATUS(status), 0) << "signal " << sig;
        EXPECT_NE(readFile(sim.dir().file("log/kovaSimOHV.log")).find("end kovaSimOHV"), std::string::npos);
    }
}

TEST(SimWireProcess, TakesHostAndPortFromTheConsolesConfiguration) {
    TempDir dir;
    const int port = freeBasePort();
    writeConf(dir.path(), "localhost", port);  // a host name: served on 127.0.0.1
    ChildProcess child({KOVA_SIM_BINARY, "--config", "conf.json", "--log", "sim.log"}, dir.path());
    zmq::context_t context;
    zmq::socket_t socket(context, zmq::socket_type::sub);
    socket.set(zmq::sockopt::linger, 0);
    socket.set(zmq::sockopt::rcvtimeo, 5000);
    socket.set(zmq::sockopt::subscribe, "");
    socket.connect("tcp://127.0.0.1:" + std::to_string(port + 1));
    zmq::multipart_t message;
    EXPECT_TRUE(message.recv(socket));
    EXPECT_NE(readFile(dir.file("sim.log")).find("start kovaSimOHV, base port " + std::to_string(port)),
              std::string::npos);
}

TEST(SimWireProcess, ABusyPortOrABadOptionEndsWithAnError) {
    SimRun first;
    std::vector<std::string> frames;
    ASSERT_TRUE(first.receive(first.status(), frames, 5s));
    TempDir dir;
    ChildProcess second({KOVA_SIM_BINARY, "--port", std::to_string(first.port())}, dir.path(),
                        dir.file("out"));
    int status = -1;
    ASSERT_TRUE(second.waitExit(5s, &status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(readFile(dir.file("log/kovaSimOHV.log")).find("messaging failed"), std::string::npos);

    ChildProcess bad({KOVA_SIM_BINARY, "--time-scale", "0"}, dir.path(), dir.file("bad"));
    ASSERT_TRUE(bad.waitExit(5s, &status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(readFile(dir.file("bad")).find("bad value for --time-scale"), std::string::npos);

    ChildProcess help({KOVA_SIM_BINARY, "--help"}, dir.path(), dir.file("help"));
    ASSERT_TRUE(help.waitExit(5s, &status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(readFile(dir.file("help")).find("--time-scale X"), std::string::npos);
}

}  // namespace
}  // namespace kova::test
