// Status ingest over tcp loopback: a publisher floods two-frame status messages (send queue
// unlimited, so nothing is dropped) into (a) a bare multipart receive loop that only receives, and
// (b) the monitor's own receive path: its Subscription's loop (queued messages taken without waiting,
// a poll only when the queue is empty), noting each arrival for the link indicator and storing every
// message in the status record. Each round has a subscriber of its own, the only one connected.
// Reports both rates, their ratio, and how long after the flood's last message was sent its value
// could be read from the record (the redraw then shows it within one 200 ms tick).
#include <unistd.h>

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
#include "net/Subscription.h"
#include "record/RecordWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kMessages = 1000000;
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

// The publisher, bound on a random loopback port.
class Publisher {
public:
    Publisher() : pub_(context_, zmq::socket_type::pub) {
        pub_.set(zmq::sockopt::linger, 0);
        pub_.set(zmq::sockopt::sndhwm, 0);  // unlimited: the flood is queued, never dropped
        pub_.bind("tcp://127.0.0.1:*");
    }

    void send(const std::string& index, const std::string& values) {
        pub_.send(zmq::buffer(index), zmq::send_flags::sndmore);
        pub_.send(zmq::buffer(values), zmq::send_flags::none);
    }

    // Floods kMessages messages, the last one setting the camera position to `marker`; returns the
    // time the last was sent.
    Clock::time_point flood(std::int32_t marker) {
        for (long i = 0; i < kMessages - 1; ++i) {
            const auto& [index, values] = kMix[static_cast<std::size_t>(i) % kMix.size()];
            send(index, values);
        }
        send("7120", std::to_string(marker));
        return Clock::now();
    }

    zmq::context_t& context() { return context_; }
    std::string endpoint() { return pub_.get(zmq::sockopt::last_endpoint); }

private:
    zmq::context_t context_;
    zmq::socket_t pub_;
};

struct RoundResult {
    double messagesPerSecond = 0;
    double lastVisibleMicroseconds = 0;
};

// Counts what a receiver took, from the first message to the last of a flood.
class Counter {
public:
    // Called for every message received; returns true at the flood's last.
    bool take() {
        const long n = ++received_;
        if (n == 2) {  // the first of the flood (after the probe) starts the clock
            firstAt_ = Clock::now();
        } else if (n == kMessages + 1) {
            lastAt_ = Clock::now();
            done_ = true;
            return true;
        }
        return false;
    }
    bool joined() const { return received_ > 0; }
    bool done() const { return done_; }
    RoundResult result(Clock::time_point lastSent) const {
        RoundResult result;
        result.messagesPerSecond =
            (kMessages - 1) / std::chrono::duration<double>(lastAt_ - firstAt_).count();
        result.lastVisibleMicroseconds =
            std::chrono::duration<double, std::micro>(std::max(lastAt_, lastSent) - lastSent).count();
        return result;
    }

private:
    std::atomic<long> received_{0};
    std::atomic<bool> done_{false};
    Clock::time_point firstAt_;
    Clock::time_point lastAt_;
};

// Runs `receive` (a receive loop feeding `counter`) on a thread, joins it with one probe, floods,
// and waits for the flood's last message.
template <class Receive>
RoundResult runRound(Publisher& publisher, Counter& counter, std::int32_t marker, Receive receive) {
    std::thread receiver(receive);
    while (!counter.joined()) {
        publisher.send("9999", "probe");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const Clock::time_point lastSent = publisher.flood(marker);
    while (!counter.done()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    receiver.join();
    return counter.result(lastSent);
}

// (a) A bare SUB socket and a multipart receive loop.
RoundResult bareRound(Publisher& publisher) {
    zmq::socket_t sub(publisher.context(), zmq::socket_type::sub);
    sub.set(zmq::sockopt::linger, 0);
    sub.set(zmq::sockopt::subscribe, "");
    sub.connect(publisher.endpoint());
    Counter counter;
    return runRound(publisher, counter, 0, [&] {
        zmq::multipart_t message;
        do {
            message.recv(sub);
        } while (!counter.take() || !counter.done());
    });
}

// (b) The monitor's receive path: its Subscription storing into the status record, and (c) the same
// with every message also handed to a recorder, as --record does.
RoundResult monitorRound(Publisher& publisher, kova::StatusStore& store, std::int32_t marker,
                         kova::record::RecordWriter* recorder = nullptr) {
    kova::Subscription subscription(publisher.context(), publisher.endpoint(), "bench", kova::kStatusLimits);
    std::atomic<bool> running{true};
    Counter counter;
    RoundResult result = runRound(publisher, counter, marker, [&] {
        subscription.run(
            running,
            [&](zmq::multipart_t& message) {
                if (recorder != nullptr) {  // as the console's recording tap does
                    const std::int64_t ns = kova::record::RecordWriter::nowNs();
                    if (recorder->hasRoom()) {
                        kova::record::Frames frames;
                        for (const zmq::message_t& frame : message) {
                            frames.push_back(frame.to_string());
                        }
                        recorder->recordStatus(ns, std::move(frames));
                    } else {
                        recorder->dropStatus(ns);
                    }
                }
                kova::storeStatusMessage(message, store);
                if (counter.take()) {
                    running = false;
                }
            },
            [](const std::string& error) { std::fprintf(stderr, "%s\n", error.c_str()); });
    });
    if (store.snapshot().cameraPosition != marker) {
        std::fprintf(stderr, "marker missing: messages were lost\n");
    }
    return result;
}

// One message on a quiet link: from its send to its value being readable in the record.
double quietLatencyMicroseconds(Publisher& publisher, kova::StatusStore& store) {
    kova::Subscription subscription(publisher.context(), publisher.endpoint(), "bench", kova::kStatusLimits);
    std::atomic<bool> running{true};
    std::atomic<int> stored{0};
    std::vector<double> samples;
    Clock::time_point sent;
    std::thread receiver([&] {
        subscription.run(
            running,
            [&](zmq::multipart_t& message) {
                kova::storeStatusMessage(message, store);
                if (stored > 0) {
                    samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
                }
                ++stored;
                if (stored > 50) {
                    running = false;
                }
            },
            [](const std::string&) {});
    });
    while (stored == 0) {
        publisher.send("9999", "probe");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (int i = 0; i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        sent = Clock::now();
        publisher.send("7120", std::to_string(5000 + i));
    }
    receiver.join();
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int main() {
    Publisher publisher;
    kova::StatusStore store;
    double bestBare = 0;
    double bestMonitor = 0;
    double bestRecording = 0;
    double lastVisible = 1e300;
    // (c) While recording: the flood's rate, and what the recorder kept and dropped of it. The three
    // kinds of round take turns, so that a busy spell of the machine does not fall on one kind only.
    const std::string file = "/tmp/kova-bench-ingest-" + std::to_string(::getpid()) + ".db";
    std::uint64_t dropped = 0;
    {
        kova::record::RecordWriter recorder;
        recorder.open(file, false, {"bench", "bench", "127.0.0.1", 1});
        for (int round = 0; round < kRounds; ++round) {
            const RoundResult b = bareRound(publisher);
            const RoundResult m = monitorRound(publisher, store, 1000 + round);
            const RoundResult r = monitorRound(publisher, store, 2000 + round, &recorder);
            std::printf(
                "round %d: bare %.0f msg/s, monitor %.0f msg/s, last visible after %.0f us, "
                "recording %.0f msg/s\n",
                round, b.messagesPerSecond, m.messagesPerSecond, m.lastVisibleMicroseconds,
                r.messagesPerSecond);
            bestBare = std::max(bestBare, b.messagesPerSecond);
            bestMonitor = std::max(bestMonitor, m.messagesPerSecond);
            bestRecording = std::max(bestRecording, r.messagesPerSecond);
            lastVisible = std::min(lastVisible, m.lastVisibleMicroseconds);
        }
        recorder.close();
        dropped = recorder.droppedCount();
    }
    const long offered = kRounds * (kMessages + 1);  // the probe of each round too
    std::remove(file.c_str());
    const double quiet = quietLatencyMicroseconds(publisher, store);
    std::printf("%ld two-frame messages per flood, best of %d rounds\n", kMessages, kRounds);
    std::printf("RESULT ingest_bare_multipart_rate %.0f msg/s\n", bestBare);
    std::printf("RESULT ingest_monitor_rate %.0f msg/s\n", bestMonitor);
    std::printf("RESULT ingest_monitor_to_bare_ratio %.3f ratio\n", bestMonitor / bestBare);
    std::printf("RESULT ingest_recording_rate %.0f msg/s\n", bestRecording);
    std::printf("RESULT ingest_recording_to_bare_ratio %.3f ratio\n", bestRecording / bestBare);
    std::printf("RESULT ingest_recording_kept %ld msgs\n", offered - static_cast<long>(dropped));
    std::printf("RESULT ingest_recording_dropped %lu msgs\n", static_cast<unsigned long>(dropped));
    std::printf("RESULT ingest_flood_last_message_visible %.0f us\n", lastVisible);
    std::printf("RESULT ingest_quiet_message_visible_median %.0f us\n", quiet);
    return 0;
}
