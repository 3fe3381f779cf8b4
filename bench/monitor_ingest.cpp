// Status ingest over tcp loopback: a publisher floods two-frame status messages (send queue
// unlimited, so nothing is dropped) into (a) a bare multipart receive loop that only receives, and
// (b) the monitor's own receive path, which receives and stores every message in the status record.
// Reports both rates, their ratio, and how long after the flood's last message was sent its value
// could be read from the record (the redraw then shows it within one 200 ms tick).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "monitor/StatusStore.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMessages = 1000000;
constexpr int kRounds = 3;

const std::vector<std::pair<std::string, std::string>> kMix = {
    {"4005", "10000/12000/2500000"},
    {"4034", "14000"},
    {"4035", "15000"},
    {"3009", "12/7/1"},
    {"3011", "1/2/3/2500/1200/3/0"},
    {"7023", "1591/1591/3/3/2/2"},
    {"7027", "1500.5"},
    {"7028", "1499.75/1500.25"},
    {"7033", "1000/1100/30000/31000/5000/5200"},
    {"7120", "1234567"},
    {"7122", "1.25"},
    {"3050", "left"},
    {"500", "E0012/"},
    {"111", "4"},
    {"4021", "3"},
};

class Link {
public:
    Link() : pub_(context_, zmq::socket_type::pub), sub_(context_, zmq::socket_type::sub) {
        pub_.set(zmq::sockopt::linger, 0);
        pub_.set(zmq::sockopt::sndhwm, 0);  // unlimited: the flood is queued, never dropped
        sub_.set(zmq::sockopt::linger, 0);
        sub_.set(zmq::sockopt::rcvhwm, 0);
        pub_.bind("tcp://127.0.0.1:*");
        sub_.set(zmq::sockopt::subscribe, "");
        sub_.connect(pub_.get(zmq::sockopt::last_endpoint));
    }

    void send(const std::string& index, const std::string& values) {
        pub_.send(zmq::buffer(index), zmq::send_flags::sndmore);
        pub_.send(zmq::buffer(values), zmq::send_flags::none);
    }

    // Sends probes until one arrives, then drains the rest, so the flood starts on a joined link.
    void join() {
        sub_.set(zmq::sockopt::rcvtimeo, 50);
        zmq::multipart_t message;
        for (bool joined = false; !joined;) {
            send("9999", "probe");
            joined = message.recv(sub_);
        }
        while (message.recv(sub_)) {
        }
        sub_.set(zmq::sockopt::rcvtimeo, -1);
    }

    // Floods kMessages messages, the last one setting the camera position to `marker`; returns
    // when the last was sent, with the time it was.
    Clock::time_point flood(std::int32_t marker) {
        for (int i = 0; i < kMessages - 1; ++i) {
            const auto& [index, values] = kMix[static_cast<std::size_t>(i) % kMix.size()];
            send(index, values);
        }
        send("7120", std::to_string(marker));
        return Clock::now();
    }

    zmq::socket_t& sub() { return sub_; }

private:
    zmq::context_t context_;
    zmq::socket_t pub_;
    zmq::socket_t sub_;
};

struct RoundResult {
    double messagesPerSecond = 0;
    double lastVisibleMicroseconds = 0;
};

// Receives the whole flood with `receiveOne` on this thread while another thread publishes it.
template <class Receive>
RoundResult runRound(Link& link, std::int32_t marker, Receive receiveOne, kova::StatusStore* store) {
    Clock::time_point lastSent;
    std::thread publisher([&] { lastSent = link.flood(marker); });
    receiveOne();  // the first message starts the clock
    const auto start = Clock::now();
    for (int i = 1; i < kMessages; ++i) {
        receiveOne();
    }
    const auto end = Clock::now();
    publisher.join();
    RoundResult result;
    result.messagesPerSecond = (kMessages - 1) / std::chrono::duration<double>(end - start).count();
    if (store != nullptr) {
        // The record held the marker by `end` at the latest; a flood that outruns the receiver
        // makes its last message wait behind the backlog.
        const auto visible = std::max(end, lastSent);
        result.lastVisibleMicroseconds =
            std::chrono::duration<double, std::micro>(visible - lastSent).count();
        if (store->snapshot().cameraPosition != marker) {
            std::fprintf(stderr, "marker missing: messages were lost\n");
        }
    }
    return result;
}

// One message on a quiet link: from its send to its value being readable in the record.
double quietLatencyMicroseconds(Link& link, kova::StatusStore& store, std::int32_t marker) {
    zmq::multipart_t scratch;
    std::atomic<bool> stored{false};
    Clock::time_point storedAt;
    std::thread receiver([&] {
        kova::receiveStatus(link.sub(), scratch, store);
        storedAt = Clock::now();
        stored = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto sent = Clock::now();
    link.send("7120", std::to_string(marker));
    receiver.join();
    return std::chrono::duration<double, std::micro>(storedAt - sent).count();
}

}  // namespace

int main() {
    Link link;
    link.join();
    kova::StatusStore store;
    zmq::multipart_t bare;
    zmq::multipart_t scratch;
    double bestBare = 0;
    double bestMonitor = 0;
    double lastVisible = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const RoundResult b = runRound(
            link, 0, [&] { bare.recv(link.sub()); }, nullptr);
        const RoundResult m = runRound(
            link, 1000 + round, [&] { kova::receiveStatus(link.sub(), scratch, store); }, &store);
        std::printf("round %d: bare %.0f msg/s, monitor %.0f msg/s, last visible after %.0f us\n", round,
                    b.messagesPerSecond, m.messagesPerSecond, m.lastVisibleMicroseconds);
        bestBare = std::max(bestBare, b.messagesPerSecond);
        bestMonitor = std::max(bestMonitor, m.messagesPerSecond);
        lastVisible = std::min(lastVisible, m.lastVisibleMicroseconds);
    }
    std::vector<double> quiet;
    for (int i = 0; i < 50; ++i) {
        quiet.push_back(quietLatencyMicroseconds(link, store, 5000 + i));
    }
    std::sort(quiet.begin(), quiet.end());
    std::printf("%d two-frame messages per flood, best of %d rounds\n", kMessages, kRounds);
    std::printf("RESULT ingest_bare_multipart_rate %.0f msg/s\n", bestBare);
    std::printf("RESULT ingest_monitor_rate %.0f msg/s\n", bestMonitor);
    std::printf("RESULT ingest_monitor_to_bare_ratio %.3f ratio\n", bestMonitor / bestBare);
    std::printf("RESULT ingest_flood_last_message_visible %.0f us\n", lastVisible);
    std::printf("RESULT ingest_quiet_message_visible_median %.0f us\n", quiet[quiet.size() / 2]);
    return 0;
}
