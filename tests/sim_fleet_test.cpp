// A simulated fleet: the options and the plan of its vehicles as plain logic, the conf.json that
// scripts/fleet-conf writes as the simulator reads it, and the real kovaSimOHV serving three vehicles
// of such a file, seen through real ZeroMQ sockets on loopback.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include <gtest/gtest.h>
#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "TestSupport.h"
#include "protocol/StatusLayout.h"
#include "sim/ActivityLog.h"
#include "sim/FleetPlan.h"
#include "sim/SimOptions.h"
#include "sim/SimVehicle.h"

namespace kova::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kFleetConf = std::string(KOVA_SOURCE_DIR) + "/scripts/fleet-conf";

// scripts/fleet-conf's output for `arguments`, written to `path`; its exit status.
int writeFleetConf(const std::string& arguments, const std::string& path) {
    const int status = std::system((kFleetConf + " " + arguments + " > " + path + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<Connection> connections(std::size_t count) {
    std::vector<Connection> list;
    for (std::size_t i = 0; i < count; ++i) {
        list.push_back({"v" + std::to_string(i + 1), "127.0.0.1", 30000 + 10 * static_cast<int>(i)});
    }
    return list;
}

SimOptions fleetOptions(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--config", "fleet.json", "--vehicles", "4", "--seed", "7"};
    args.insert(args.end(), extra.begin(), extra.end());
    const ParsedOptions parsed = parseOptions(args);
    EXPECT_EQ(parsed.error, "");
    return parsed.options;
}

TEST(SimFleetOptions, VehiclesAndFloodVehicleAndWhatTheyNeed) {
    const ParsedOptions both =
        parseOptions({"--config", "c.json", "--vehicles=200", "--flood-vehicle", "ohv002"});
    ASSERT_EQ(both.error, "");
    EXPECT_EQ(both.options.vehicles, 200u);
    EXPECT_EQ(both.options.floodVehicle, "ohv002");
    EXPECT_EQ(parseOptions({}).options.vehicles, 0u);  // a lone vehicle, as without the option

    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--config", "c.json", "--vehicles", "0"}, "bad value for --vehicles: 0"},
        {{"--config", "c.json", "--vehicles", "2001"}, "bad value for --vehicles: 2001"},
        {{"--config", "c.json", "--vehicles", "three"}, "bad value for --vehicles: three"},
        {{"--config", "c.json", "--vehicles", "2", "--flood-vehicle="}, "bad value for --flood-vehicle: "},
        {{"--vehicles", "3"}, "--vehicles needs --config (the vehicles are the file's first connections)"},
        {{"--config", "c.json", "--vehicles", "3", "--port", "6000"},
         "--vehicles takes every host and port from --config, not from --host or --port"},
        {{"--config", "c.json", "--flood-vehicle", "ohv001"}, "--flood-vehicle needs --vehicles"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseOptions(c.args).error, c.error);
    }
}

TEST(SimFleetPlan, EachVehicleHasItsOwnPortsSeedAndStartAndTheCommonOptions) {
    const SimOptions options =
        fleetOptions({"--time-scale", "3", "--no-obstacles", "--fault", "late-answer"});
    const FleetPlan fleet = planFleet(options, connections(5), 99);
    ASSERT_EQ(fleet.error, "");
    ASSERT_EQ(fleet.vehicles.size(), 4u);  // the first four of five connections
    std::set<std::uint32_t> seeds;
    std::set<int> starts;
    for (std::size_t i = 0; i < 4; ++i) {
        const VehiclePlan& plan = fleet.vehicles[i];
        EXPECT_EQ(plan.name, "v" + std::to_string(i + 1));
        EXPECT_EQ(plan.basePort, 30000 + 10 * static_cast<int>(i));
        EXPECT_EQ(plan.timeScale, 3.0);
        EXPECT_FALSE(plan.model.obstacles);
        EXPECT_EQ(plan.fault, FaultMode::LateAnswer);
        seeds.insert(plan.model.seed);
        starts.insert(builtInTrackMap().segment(plan.model.startSegment)->from);
    }
    EXPECT_EQ(seeds.size(), 4u);
    EXPECT_EQ(starts.size(), 4u) << "vehicles start on different points";
    // A fleet of one is the plain simulator: the given seed, the first segment.
    EXPECT_EQ(fleet.vehicles[0].model.seed, 7u);
    EXPECT_EQ(fleet.vehicles[0].model.startSegment, ModelSettings{}.startSegment);
    // The same seed repeats the fleet; another one changes it.
    EXPECT_EQ(planFleet(options, connections(4), 1).vehicles[3].model.seed, fleet.vehicles[3].model.seed);
    SimOptions other = options;
    other.seed = 8;
    EXPECT_NE(planFleet(other, connections(4), 1).vehicles[3].model.seed, fleet.vehicles[3].model.seed);
    // Without --seed, the seed the caller drew stands in for it.
    other.seedGiven = false;
    EXPECT_EQ(planFleet(other, connections(4), 1234).vehicles[0].model.seed, 1234u);
}

TEST(SimFleetPlan, TheFloodGoesToOneVehicleOnly) {
    const auto floodedNames = [](const FleetPlan& fleet) {
        std::vector<std::string> names;
        for (const VehiclePlan& plan : fleet.vehicles) {
            if (plan.flood > 0 || plan.floodRate > 0.0) {
                names.push_back(plan.name);
                EXPECT_EQ(plan.flood, 5000u);
                EXPECT_EQ(plan.floodDelayMs, 20);
                EXPECT_EQ(plan.floodRate, 300.0);
            }
        }
        return names;
    };
    const std::vector<std::string> flood = {"--flood", "5000", "--flood-delay", "20", "--flood-rate", "300"};
    EXPECT_EQ(floodedNames(planFleet(fleetOptions(flood), connections(4), 1)),
              std::vector<std::string>{"v1"});
    std::vector<std::string> named = flood;
    named.insert(named.end(), {"--flood-vehicle", "v3"});
    EXPECT_EQ(floodedNames(planFleet(fleetOptions(named), connections(4), 1)),
              std::vector<std::string>{"v3"});
}

// The file scripts/fleet-conf writes is the file the simulator reads: names, host, ports 10 apart,
// names of four digits past 999 vehicles, and usage errors for a bad count.
TEST(SimFleetConf, TheSimulatorReadsWhatTheScriptWrites) {
    test::TempDir dir;
    ASSERT_EQ(writeFleetConf("1001 21000 localhost", dir.file("big.json")), 0);
    std::vector<Connection> read;
    ASSERT_EQ(readConnections(dir.file("big.json"), 2000, read), "");
    ASSERT_EQ(read.size(), 1001u);
    EXPECT_EQ(read[0].name, "ohv0001");
    EXPECT_EQ(read[0].host, "localhost");
    EXPECT_EQ(read[0].basePort, 21000);
    EXPECT_EQ(read[1000].name, "ohv1001");
    EXPECT_EQ(read[1000].basePort, 31000);

    ASSERT_EQ(writeFleetConf("3", dir.file("small.json")), 0);
    ASSERT_EQ(readConnections(dir.file("small.json"), 2, read), "");
    ASSERT_EQ(read.size(), 2u);  // only as many as asked for
    EXPECT_EQ(read[1].name, "ohv002");
    EXPECT_EQ(read[1].host, "127.0.0.1");
    EXPECT_EQ(read[1].basePort, 20010);

    for (const char* bad : {"", "x", "0", "-3", "3 12ab", "6600 20000"}) {
        EXPECT_EQ(writeFleetConf(bad, dir.file("bad.json")), 2) << "'" << bad << "'";
    }
}

TEST(SimFleetConf, OnlyTheConnectionsInUseMustBeComplete) {
    test::TempDir dir;
    test::writeFile(dir.file("conf.json"), R"({"connection": [{"name": 7, "IP": "127.0.0.1", "port": 6000},
        {"name": "b", "IP": "127.0.0.1"}]})");
    std::vector<Connection> read;
    ASSERT_EQ(readConnections(dir.file("conf.json"), 1, read), "");
    EXPECT_EQ(read[0].name, "7");  // a number is taken as its text
    EXPECT_EQ(readConnections(dir.file("conf.json"), 2, read),
              "connection 2 in " + dir.file("conf.json") + " needs \"name\", \"IP\" and \"port\"");
}

// ---- the real binary -------------------------------------------------------------------------------

std::vector<std::string> texts(zmq::multipart_t& message) {
    std::vector<std::string> frames;
    for (auto& frame : message) {
        frames.push_back(frame.to_string());
    }
    return frames;
}

// Three vehicles of a file from scripts/fleet-conf in one kovaSimOHV, with a status and a log
// subscriber on each.
class FleetRun {
public:
    static constexpr int kVehicles = 3;

    explicit FleetRun(std::vector<std::string> extra = {}) : base_(test::freeFleetBase(kVehicles)) {
        EXPECT_EQ(
            writeFleetConf(std::to_string(kVehicles) + " " + std::to_string(base_), dir_.file("conf.json")),
            0);
        std::vector<std::string> argv = {
            KOVA_SIM_BINARY, "--config", "conf.json",    "--vehicles", std::to_string(kVehicles),
            "--seed",        "1",        "--time-scale", "4"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        child_ = std::make_unique<test::ChildProcess>(argv, dir_.path(), dir_.file("output.txt"));
        for (int v = 0; v < kVehicles; ++v) {
            status_.push_back(subscriber(v, 1));
            log_.push_back(subscriber(v, 4));
        }
    }
    ~FleetRun() {
        status_.clear();
        log_.clear();
    }

    test::ChildProcess& child() { return *child_; }
    test::TempDir& dir() { return dir_; }
    zmq::socket_t& status(int v) { return status_[static_cast<std::size_t>(v)]; }
    zmq::socket_t& log(int v) { return log_[static_cast<std::size_t>(v)]; }

    std::string endpoint(int v, int offset) const {
        return "tcp://127.0.0.1:" + std::to_string(base_ + 10 * v + offset);
    }

    // One message from `socket` within `timeout`; false when none came.
    bool receive(zmq::socket_t& socket, std::vector<std::string>& frames, std::chrono::milliseconds timeout) {
        socket.set(zmq::sockopt::rcvtimeo, static_cast<int>(timeout.count()));
        zmq::multipart_t message;
        if (!message.recv(socket)) {
            return false;
        }
        frames = texts(message);
        return true;
    }

    // The last values of each index of vehicle v, until `done` holds or `timeout` passes.
    template <typename Done>
    bool watchStatus(int v, std::map<std::string, std::string>& last, Done done,
                     std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        std::vector<std::string> frames;
        while (Clock::now() < deadline) {
            if (receive(status(v), frames, 100ms) && frames.size() == 2) {
                last[frames[0]] = frames[1];
                if (done()) {
                    return true;
                }
            }
        }
        return false;
    }

    // One request to vehicle v on a fresh REQ socket; the reply frames, empty on time-out.
    std::vector<std::string> request(int v, const std::string& verb, const std::string& body) {
        zmq::socket_t socket(context_, zmq::socket_type::req);
        socket.set(zmq::sockopt::linger, 0);
        socket.set(zmq::sockopt::rcvtimeo, 3000);
        socket.connect(endpoint(v, 2));
        zmq::multipart_t message;
        message.addstr(verb);
        message.addstr(body);
        message.send(socket);
        zmq::multipart_t reply;
        return reply.recv(socket) ? texts(reply) : std::vector<std::string>{};
    }

    // Log lines of vehicle v until one contains `text`; every line seen is added to `seen`.
    bool waitForLogLine(int v, const std::string& text, std::vector<std::string>& seen,
                        std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        std::vector<std::string> frames;
        while (Clock::now() < deadline) {
            if (receive(log(v), frames, 100ms) && frames.size() == 1) {
                seen.push_back(frames[0]);
                if (frames[0].find(text) != std::string::npos) {
                    return true;
                }
            }
        }
        return false;
    }

    // Takes every message already waiting on `socket`, so that the next one is fresh.
    void drain(zmq::socket_t& socket) {
        std::vector<std::string> frames;
        while (receive(socket, frames, 0ms)) {
        }
    }

    // Vehicle v's log stream is subscribed: a request's own line comes back on it.
    bool waitForLogStream(int v) {
        std::vector<std::string> seen;
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            request(v, "get", "106/0");
            if (waitForLogLine(v, "request get 106/0", seen, 300ms)) {
                return true;
            }
        }
        return false;
    }

private:
    zmq::socket_t subscriber(int v, int offset) {
        zmq::socket_t socket(context_, zmq::socket_type::sub);
        socket.set(zmq::sockopt::linger, 0);
        socket.set(zmq::sockopt::rcvhwm, 0);
        socket.set(zmq::sockopt::subscribe, "");
        socket.connect(endpoint(v, offset));
        return socket;
    }

    test::TempDir dir_;
    int base_;
    zmq::context_t context_;
    std::unique_ptr<test::ChildProcess> child_;
    std::vector<zmq::socket_t> status_;
    std::vector<zmq::socket_t> log_;
};

TEST(SimFleetWire, EveryVehiclePublishesEveryObjectAndAnswersOnItsOwnPorts) {
    FleetRun fleet;
    std::set<std::string> everyIndex;
    for (const protocol::ObjectLayout& layout : protocol::kStatusLayouts) {
        everyIndex.insert(std::to_string(layout.index()));
    }
    std::set<std::string> positions;
    for (int v = 0; v < FleetRun::kVehicles; ++v) {
        std::map<std::string, std::string> last;
        EXPECT_TRUE(fleet.watchStatus(
            v, last, [&] { return last.size() >= everyIndex.size(); }, 5s))
            << "vehicle " << v + 1 << " published " << last.size() << " objects";
        for (const auto& index : everyIndex) {
            EXPECT_TRUE(last.count(index)) << "vehicle " << v + 1 << " never published " << index;
        }
        // Each port is served by its own vehicle: they stand on different points.
        const std::vector<std::string> reply = fleet.request(v, "getm", "3009");
        ASSERT_EQ(reply.size(), 2u) << "vehicle " << v + 1 << " did not answer";
        EXPECT_EQ(reply[0], "OK");
        positions.insert(reply[1]);
    }
    EXPECT_EQ(positions.size(), 3u);
    // One loop serves them all: the main thread and ZeroMQ's two (a sanitizer may add one), never a
    // thread per vehicle.
    std::size_t threads = 0;
    for ([[maybe_unused]] const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(fleet.child().pid()) + "/task")) {
        ++threads;
    }
    EXPECT_LE(threads, 4u);
    ASSERT_TRUE(fleet.child().signal(SIGTERM));
    int status = -1;
    ASSERT_TRUE(fleet.child().waitExit(3s, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(test::readFile(fleet.dir().file("log/kovaSimOHV.log")).find("end kovaSimOHV"),
              std::string::npos);
}

TEST(SimFleetWire, ACommandChangesItsOwnVehicleOnly) {
    FleetRun fleet;
    std::vector<std::map<std::string, std::string>> last(FleetRun::kVehicles);
    for (int v = 0; v < FleetRun::kVehicles; ++v) {
        ASSERT_TRUE(fleet.watchStatus(
            v, last[v], [&] { return last[v]["111"] == "3"; }, 5s))
            << "vehicle " << v + 1 << " never reached manual operation";
    }
    ASSERT_EQ(fleet.request(1, "set", "4092/0/1")[0], "OK");  // servo on, vehicle 2
    ASSERT_TRUE(fleet.watchStatus(
        1, last[1], [&] { return last[1]["7034"] == "1"; }, 5s))
        << "vehicle 2's brake never released";
    // Had the others taken the command too, their brakes would be released by now: their next
    // brake state says.
    for (int v : {0, 2}) {
        fleet.drain(fleet.status(v));
        last[v].erase("7034");
        ASSERT_TRUE(fleet.watchStatus(
            v, last[v], [&] { return last[v].count("7034") > 0; }, 3s));
        EXPECT_EQ(last[v]["7034"], "0") << "vehicle " << v + 1;
    }
}

TEST(SimFleetWire, AVehiclesLogLinesComeOnlyOnItsOwnLogPortAndAllGoToOneFile) {
    FleetRun fleet;
    for (int v = 0; v < FleetRun::kVehicles; ++v) {
        ASSERT_TRUE(fleet.waitForLogStream(v)) << "vehicle " << v + 1;
    }
    fleet.request(1, "set", "3050/0/LX");
    std::vector<std::string> seen;
    EXPECT_TRUE(fleet.waitForLogLine(1, "request set 3050/0/LX", seen, 3s));
    // Each other vehicle's stream, up to a line of its own asked for after vehicle 2's: whatever
    // came on it before that line would have been vehicle 2's.
    for (int v : {0, 2}) {
        seen.clear();
        fleet.request(v, "get", "111/0");
        EXPECT_TRUE(fleet.waitForLogLine(v, "request get 111/0", seen, 3s)) << "vehicle " << v + 1;
        for (const auto& line : seen) {
            EXPECT_EQ(line.find("3050/0/LX"), std::string::npos) << "vehicle " << v + 1 << ": " << line;
            EXPECT_EQ(line.find("steering target LX"), std::string::npos)
                << "vehicle " << v + 1 << ": " << line;
        }
    }
    const std::string file = test::readFile(fleet.dir().file("log/kovaSimOHV.log"));
    EXPECT_NE(file.find("ohv002: request set 3050/0/LX"), std::string::npos) << file;
    EXPECT_NE(file.find("ohv003: request get 111/0"), std::string::npos) << file;
    EXPECT_NE(file.find("start kovaSimOHV, 3 vehicles of conf.json"), std::string::npos) << file;
}

TEST(SimFleetWire, TheFloodVehicleAloneIsFlooded) {
    FleetRun fleet({"--flood-vehicle", "ohv002", "--flood", "5000", "--flood-delay", "3000"});
    std::vector<std::string> frames;
    const auto subscribed = Clock::now() + 2500ms;  // before the flood
    for (int v = 0; v < FleetRun::kVehicles; ++v) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(subscribed - Clock::now());
        ASSERT_TRUE(fleet.receive(fleet.status(v), frames, std::max(left, 1ms)))
            << "vehicle " << v + 1 << " not subscribed before the flood";
    }
    std::vector<std::size_t> counts(FleetRun::kVehicles, 0);
    std::vector<zmq::pollitem_t> items;
    for (int v = 0; v < FleetRun::kVehicles; ++v) {
        items.push_back({fleet.status(v).handle(), 0, ZMQ_POLLIN, 0});
    }
    // Until vehicle 2's flood is in, and then 100 more messages from each of the others: a flood of
    // theirs, sent in the same turn as vehicle 2's, would have come before those.
    std::vector<std::size_t> after(FleetRun::kVehicles, 0);
    const auto done = [&] { return counts[1] >= 5000 && after[0] >= 100 && after[2] >= 100; };
    const auto deadline = Clock::now() + 15s;
    while (!done() && Clock::now() < deadline) {
        zmq::poll(items, 100ms);
        for (int v = 0; v < FleetRun::kVehicles; ++v) {
            while ((items[v].revents & ZMQ_POLLIN) && fleet.receive(fleet.status(v), frames, 0ms)) {
                ++counts[v];
                after[v] += counts[1] >= 5000 ? 1 : 0;
            }
        }
    }
    ASSERT_TRUE(done()) << counts[0] << " " << counts[1] << " " << counts[2];
    // A flood on another vehicle would add 5000 to what it sends at its normal rate (about 520 a second).
    EXPECT_LT(counts[0], 5000u);
    EXPECT_LT(counts[2], 5000u);
    EXPECT_NE(
        test::readFile(fleet.dir().file("log/kovaSimOHV.log")).find("ohv002: flood of 5000 status messages"),
        std::string::npos);
}

// The indices that reach `socket` within `period`.
std::set<std::string> indicesWithin(FleetRun& fleet, zmq::socket_t& socket, std::chrono::milliseconds period) {
    std::set<std::string> seen;
    std::vector<std::string> frames;
    const auto end = Clock::now() + period;
    while (Clock::now() < end) {
        if (fleet.receive(socket, frames, 50ms) && !frames.empty()) {
            seen.insert(frames[0]);
        }
    }
    return seen;
}

bool allStartWith(const std::set<std::string>& indices, const std::vector<std::string>& prefixes) {
    return std::all_of(indices.begin(), indices.end(), [&](const std::string& index) {
        return std::any_of(prefixes.begin(), prefixes.end(),
                           [&](const std::string& prefix) { return index.rfind(prefix, 0) == 0; });
    });
}

// A subscriber holding prefixes gets those objects only, one holding everything beside it still gets
// the whole stream, and a changed subscription takes effect while the vehicle runs.
TEST(SimFleetWire, SubscriptionPrefixesChooseTheObjectsAndChangesTakeEffect) {
    FleetRun fleet;
    zmq::context_t context;
    zmq::socket_t narrow(context, zmq::socket_type::sub);
    narrow.set(zmq::sockopt::linger, 0);
    narrow.set(zmq::sockopt::subscribe, "40");
    narrow.set(zmq::sockopt::subscribe, "500");
    narrow.connect(fleet.endpoint(1, 1));
    std::vector<std::string> frames;
    ASSERT_TRUE(fleet.receive(narrow, frames, 10s));

    const std::set<std::string> narrowed = indicesWithin(fleet, narrow, 1500ms);
    EXPECT_TRUE(allStartWith(narrowed, {"40", "500"}));
    EXPECT_TRUE(narrowed.count("4034") && narrowed.count("4021") && narrowed.count("500"));
    fleet.drain(fleet.status(1));
    EXPECT_EQ(indicesWithin(fleet, fleet.status(1), 1500ms).size(), protocol::kStatusObjectCount);

    narrow.set(zmq::sockopt::unsubscribe, "40");
    narrow.set(zmq::sockopt::subscribe, "111");
    const auto deadline = Clock::now() + 5s;
    bool widened = false;
    while (!widened && Clock::now() < deadline) {
        widened = fleet.receive(narrow, frames, 100ms) && frames[0] == "111";
    }
    ASSERT_TRUE(widened);
    fleet.drain(narrow);
    const std::set<std::string> changed = indicesWithin(fleet, narrow, 1000ms);
    EXPECT_TRUE(allStartWith(changed, {"111", "500"}));
    EXPECT_TRUE(changed.count("500"));
}

// Objects nobody subscribed to are not even encoded: the vehicle counts only what it published.
TEST(SimFleetVehicle, PublishesOnlyWhatItsSubscribersWant) {
    test::TempDir dir;
    ActivityLog activity(dir.file("sim.log"));
    zmq::context_t context;
    VehiclePlan plan;
    plan.host = "127.0.0.1";
    plan.basePort = test::freeBasePort();
    SimVehicle vehicle(context, plan, activity);
    std::int64_t now = 0;
    for (; now < 1000; now += 10) {
        vehicle.step(now);
    }
    EXPECT_EQ(vehicle.published(), 0u);  // no subscriber at all

    zmq::socket_t subscriber(context, zmq::socket_type::sub);
    subscriber.set(zmq::sockopt::linger, 0);
    subscriber.set(zmq::sockopt::subscribe, "501");
    subscriber.connect("tcp://127.0.0.1:" + std::to_string(plan.basePort + 1));
    zmq::message_t frame;
    const auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline && !subscriber.recv(frame, zmq::recv_flags::dontwait)) {
        vehicle.readSubscriptions();  // the server does so when the status socket signals
        vehicle.step(now += 10);
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(frame.to_string(), "501");
    const std::uint64_t before = vehicle.published();
    for (const std::int64_t end = now + 2000; now < end; now += 10) {
        vehicle.step(now);
    }
    const std::uint64_t published = vehicle.published() - before;  // object 501 alone, four times a second
    EXPECT_GE(published, 7u);
    EXPECT_LE(published, 8u);

    subscriber.close();  // a subscriber that goes away takes its prefixes along
    const auto gone = Clock::now() + 5s;
    std::uint64_t last = vehicle.published();
    for (int quiet = 0; quiet < 50 && Clock::now() < gone; std::this_thread::sleep_for(10ms)) {
        vehicle.readSubscriptions();
        vehicle.step(now += 10);
        quiet = vehicle.published() == last ? quiet + 1 : 0;
        last = vehicle.published();
    }
    for (const std::int64_t end = now + 1000; now < end; now += 10) {
        vehicle.step(now);
    }
    EXPECT_EQ(vehicle.published(), last);
}

TEST(SimFleetProcess, ArgumentsThatDoNotFitEndWithStatusTwo) {
    test::TempDir dir;
    ASSERT_EQ(writeFleetConf("2 " + std::to_string(test::freeFleetBase(2)), dir.file("conf.json")), 0);
    test::writeFile(dir.file("twice.json"), R"({"connection": [{"name": "a", "IP": "127.0.0.1", "port": 6000},
        {"name": "a", "IP": "127.0.0.1", "port": 6010}]})");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--config", "conf.json", "--vehicles", "3"}, "--vehicles 3 but conf.json has only 2 connection(s)"},
        {{"--vehicles", "2"}, "--vehicles needs --config"},
        {{"--config", "conf.json", "--vehicles", "2", "--flood-vehicle", "ohv003"},
         "--flood-vehicle ohv003 is none of the 2 vehicles"},
        {{"--config", "twice.json", "--vehicles", "2"}, "connection name a repeats in twice.json"},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> argv = {KOVA_SIM_BINARY};
        argv.insert(argv.end(), args.begin(), args.end());
        const std::string output = dir.file("output.txt");
        std::remove(output.c_str());
        test::ChildProcess child(argv, dir.path(), output);
        int status = -1;
        ASSERT_TRUE(child.waitExit(5s, &status)) << message;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << message;
        EXPECT_NE(test::readFile(output).find(message), std::string::npos) << test::readFile(output);
    }
}


// A fleet whose descriptors the hard limit cannot hold is refused before anything is bound.
TEST(SimFleetProcess, AFleetPastTheHardDescriptorLimitIsRefused) {
    test::TempDir dir;
    ASSERT_EQ(writeFleetConf("30 " + std::to_string(test::freeFleetBase(30)), dir.file("conf.json")), 0);
    test::ChildProcess child({"/usr/bin/prlimit", "--nofile=256:256", KOVA_SIM_BINARY, "--config", "conf.json",
                              "--vehicles", "30"},
                             dir.path(), dir.file("output.txt"));
    int status = -1;
    ASSERT_TRUE(child.waitExit(5s, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    EXPECT_NE(test::readFile(dir.file("output.txt"))
                  .find("30 vehicles need 364 open files, more than the hard limit of 256 (raise it: ulimit -n 364)"),
              std::string::npos)
        << test::readFile(dir.file("output.txt"));
}

}  // namespace
}  // namespace kova::sim
