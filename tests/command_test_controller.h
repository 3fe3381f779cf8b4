#pragma once

// A stand-in for the vehicle controller's request port, for the command tests: a ROUTER socket
// bound on 127.0.0.1, on a messaging context of its own (so the console's context can be shut down
// under it), answering on its own thread with whatever the test's responder says.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <zmq.hpp>
#include <zmq_addon.hpp>

namespace kova::test {

struct ReceivedRequest {
    std::string identity;             // the ROUTER's name for the connection: a new socket gets a new one
    std::vector<std::string> frames;  // the request's frames after the envelope
    std::chrono::steady_clock::time_point at;
    bool othersWaiting = false;  // another request was already queued when this one was answered
};

struct Answer {
    std::vector<std::string> frames;  // the reply's frames; none: no reply at all
    std::chrono::milliseconds delay{0};
};

// Answer for the request numbered `index` (0 for the first received).
using Responder = std::function<Answer(const ReceivedRequest& request, std::size_t index)>;

// Answers every request at once with ["ok", verb + ":" + body].
inline Answer echoAnswer(const ReceivedRequest& request, std::size_t /*index*/) {
    const std::string body = request.frames.size() > 1 ? request.frames[1] : "";
    return Answer{{"ok", request.frames.at(0) + ":" + body}, std::chrono::milliseconds(0)};
}

class TestController {
public:
    TestController(int port, Responder responder)
        : router_(context_, zmq::socket_type::router), responder_(std::move(responder)) {
        router_.set(zmq::sockopt::linger, 0);
        router_.bind("tcp://127.0.0.1:" + std::to_string(port));
        thread_ = std::thread([this] { serve(); });
    }
    ~TestController() {
        stop_ = true;
        thread_.join();
    }
    TestController(const TestController&) = delete;
    TestController& operator=(const TestController&) = delete;

    std::vector<ReceivedRequest> requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    std::size_t count() const { return requests().size(); }

private:
    void serve() {
        while (!stop_) {
            zmq::pollitem_t item{router_.handle(), 0, ZMQ_POLLIN, 0};
            if (zmq::poll(&item, 1, std::chrono::milliseconds(20)) == 0) {
                continue;
            }
            zmq::multipart_t message(router_);
            ReceivedRequest request;
            request.at = std::chrono::steady_clock::now();
            request.identity = message.popstr();
            message.popstr();  // the empty delimiter a REQ socket puts before its frames
            while (!message.empty()) {
                request.frames.push_back(message.popstr());
            }
            if (request.frames.empty()) {
                request.frames.push_back("");
            }
            answer(request);
        }
    }

    void answer(ReceivedRequest& request) {
        std::size_t index = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            index = requests_.size();
            requests_.push_back(request);
        }
        const Answer reply = responder_(request, index);
        const auto until = std::chrono::steady_clock::now() + reply.delay;
        while (!stop_ && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        zmq::pollitem_t item{router_.handle(), 0, ZMQ_POLLIN, 0};
        const bool waiting = zmq::poll(&item, 1, std::chrono::milliseconds(0)) > 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_[index].othersWaiting = waiting;
        }
        if (reply.frames.empty()) {
            return;
        }
        zmq::multipart_t out;
        out.addstr(request.identity);
        out.addstr("");
        for (const std::string& frame : reply.frames) {
            out.addstr(frame);
        }
        out.send(router_);
    }

    zmq::context_t context_;
    zmq::socket_t router_;
    Responder responder_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<ReceivedRequest> requests_;
    std::thread thread_;
};

}  // namespace kova::test
