#pragma once

// A whole vehicle controller stand-in for the terminal tests: its status and log publishers on base
// port + 1 and + 4, and a request answerer (TestController) on base port + 2, on a context of its own.

#include <chrono>
#include <string>
#include <vector>

#include <zmq.hpp>
#include <zmq_addon.hpp>

#include "TestSupport.h"
#include "TmuxPane.h"
#include "command_test_controller.h"

namespace kova::test {

class ControllerStandIn {
public:
    explicit ControllerStandIn(int base, Responder responder = echoAnswer)
        : requests(base + 2, std::move(responder)),
          status_(context_, zmq::socket_type::pub),
          log_(context_, zmq::socket_type::pub) {
        for (zmq::socket_t* socket : {&status_, &log_}) {
            socket->set(zmq::sockopt::linger, 0);
        }
        status_.bind("tcp://127.0.0.1:" + std::to_string(base + 1));
        log_.bind("tcp://127.0.0.1:" + std::to_string(base + 4));
    }

    // One status message of these frames.
    void publish(const std::vector<std::string>& frames) { send(status_, frames); }
    // One log message of these frames (a line each).
    void logLines(const std::vector<std::string>& frames) { send(log_, frames); }
    // One log line.
    void logLine(const std::string& line) { log_.send(zmq::buffer(line), zmq::send_flags::dontwait); }

    // Publishes the status message every 100 ms until `shown` is on the pane (a subscriber joins
    // late and misses what was sent before); false after 8 s.
    bool publishUntilShown(const TmuxPane& pane, const std::vector<std::string>& frames,
                           const std::string& shown) {
        return waitUntil(
            [&] {
                publish(frames);
                return pane.waitForText(shown, std::chrono::milliseconds(100));
            },
            std::chrono::seconds(8));
    }
    // The same for a log line.
    bool logUntilShown(const TmuxPane& pane, const std::string& line, const std::string& shown) {
        return waitUntil(
            [&] {
                logLine(line);
                return pane.waitForText(shown, std::chrono::milliseconds(100));
            },
            std::chrono::seconds(8));
    }

    TestController requests;

private:
    static void send(zmq::socket_t& socket, const std::vector<std::string>& frames) {
        zmq::multipart_t message;
        for (const std::string& frame : frames) {
            message.addstr(frame);
        }
        message.send(socket);
    }

    zmq::context_t context_;
    zmq::socket_t status_;
    zmq::socket_t log_;
};

}  // namespace kova::test
