// Memory a hostile message costs the receiving side: one status message of 3,000,000 empty frames,
// one of 600 frames just under 1 MiB each, and one log message of 1,000,000 empty frames. Each case
// runs in a child process of its own (peak RSS is per process), once receiving whole messages as
// the console did before its streams had message limits, once through Subscription with them.
// Printed: the peak RSS growth while the message came and the RSS growth left after it, in MB.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "net/Subscription.h"

namespace {

// A field of /proc/self/status ("VmRSS", "VmHWM") in MB.
double statusMegabytes(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stod(line.substr(prefix.size())) / 1024.0;
        }
    }
    return -1;
}

struct Figures {
    double peak;
    double after;
};

// The receiving child (a fresh process, so no memory of the sender's is counted): subscribes to
// `endpoint`, answers "joined" through `toParent` once the first probe came, takes messages until
// "end", then reports its figures.
int receive(const std::string& endpoint, bool bounded, kova::MessageLimits limits, int toParent) {
    zmq::context_t context;
    double before = 0;
    bool joined = false;
    const auto handle = [&](zmq::multipart_t& message) {
        const std::string first = message.empty() ? std::string() : message[0].to_string();
        if (first == "probe" && !joined) {
            joined = true;
            before = statusMegabytes("VmRSS");
            (void)!write(toParent, "j", 1);
        }
        return first == "end";
    };
    if (bounded) {
        kova::Subscription subscription(context, endpoint, "bench", limits);
        std::atomic<bool> running{true};
        subscription.run(
            running, [&](zmq::multipart_t& message) { running = !handle(message); },
            [](const std::string&) {});
    } else {
        // The receive as it was: whole messages, every frame capped at 1 MiB.
        zmq::socket_t socket(context, zmq::socket_type::sub);
        socket.set(zmq::sockopt::linger, 0);
        socket.set(zmq::sockopt::maxmsgsize, static_cast<int64_t>(kova::Subscription::kMaxMessageBytes));
        socket.set(zmq::sockopt::subscribe, "");
        socket.connect(endpoint);
        zmq::multipart_t message;
        while (!(message.recv(socket) && handle(message))) {
        }
    }
    const Figures figures{statusMegabytes("VmHWM") - before, statusMegabytes("VmRSS") - before};
    (void)!write(toParent, &figures, sizeof figures);
    return 0;
}

// Frames sent from one buffer without copies, so the sender's memory stays small.
void sendFrames(zmq::socket_t& pub, std::size_t count, std::size_t bytes) {
    static std::string buffer;
    buffer.assign(bytes, 'x');
    zmq::message_t first(std::string("flood"));
    pub.send(first, zmq::send_flags::sndmore);
    for (std::size_t i = 0; i < count; ++i) {
        zmq::message_t frame(
            buffer.data(), buffer.size(), [](void*, void*) {}, nullptr);
        pub.send(frame, i + 1 < count ? zmq::send_flags::sndmore : zmq::send_flags::none);
    }
}

Figures runCase(bool bounded, kova::MessageLimits limits, std::size_t count, std::size_t bytes) {
    zmq::context_t context;
    zmq::socket_t pub(context, zmq::socket_type::pub);
    pub.set(zmq::sockopt::linger, 0);
    pub.set(zmq::sockopt::sndhwm, 0);
    pub.bind("tcp://127.0.0.1:*");
    const std::string endpoint = pub.get(zmq::sockopt::last_endpoint);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return {-1, -1};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const std::string fd = std::to_string(pipeEnds[1]);
        const char* stream = limits.frames == kova::kStatusLimits.frames ? "status" : "log";
        execl("/proc/self/exe", "bench_message_bounds", "receive", endpoint.c_str(), bounded ? "1" : "0",
              stream, fd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    char joined = 0;
    do {
        pub.send(zmq::str_buffer("probe"), zmq::send_flags::dontwait);
        pollfd ready{pipeEnds[0], POLLIN, 0};
        if (poll(&ready, 1, 50) == 1 && read(pipeEnds[0], &joined, 1) == 1) {
            break;
        }
    } while (true);
    sendFrames(pub, count, bytes);
    // Until it comes: a frame over the stream's limit ends the connection, and what follows it is
    // lost until the subscriber connects again.
    Figures figures{-1, -1};
    for (;;) {
        pub.send(zmq::str_buffer("end"), zmq::send_flags::dontwait);
        pollfd ready{pipeEnds[0], POLLIN, 0};
        if (poll(&ready, 1, 50) == 1) {
            if (read(pipeEnds[0], &figures, sizeof figures) != sizeof figures) {
                figures = {-1, -1};
            }
            break;
        }
    }
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "receive") == 0) {
        const kova::MessageLimits limits =
            std::strcmp(argv[4], "status") == 0 ? kova::kStatusLimits : kova::kLogLimits;
        return receive(argv[2], std::strcmp(argv[3], "1") == 0, limits, std::stoi(argv[5]));
    }
    const struct {
        const char* name;
        kova::MessageLimits limits;
        std::size_t count;
        std::size_t bytes;
    } cases[] = {
        {"status_3000000_empty_frames", kova::kStatusLimits, 3000000, 0},
        {"status_600_frames_of_1MiB", kova::kStatusLimits, 600, kova::Subscription::kMaxMessageBytes - 64},
        {"log_1000000_empty_frames", kova::kLogLimits, 1000000, 0},
    };
    for (const auto& c : cases) {
        for (const bool bounded : {false, true}) {
            const Figures figures = runCase(bounded, c.limits, c.count, c.bytes);
            const char* how = bounded ? "bounded" : "whole";
            std::printf("RESULT message_%s_%s_peak %.1f MB\n", c.name, how, figures.peak);
            std::printf("RESULT message_%s_%s_after %.1f MB\n", c.name, how, figures.after);
            std::fflush(stdout);
        }
    }
}
