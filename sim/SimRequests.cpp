// The request side of the simulator: requests arrive on a ROUTER socket as [peer, "", verb, body]
// (a REQ client's envelope) and are answered [peer, "", status, text], at once or held back.
#include "sim/RequestBody.h"
#include "sim/SimVehicle.h"

namespace kova::sim {

namespace {

constexpr std::int64_t kLateAnswerMs = 1500;

std::string frameText(const zmq::message_t& frame) {
    return std::string(static_cast<const char*>(frame.data()), frame.size());
}

}  // namespace

void SimVehicle::serveRequests(std::int64_t now) {
    while (true) {
        std::vector<std::string> frames;
        zmq::message_t frame;
        do {
            if (!requests_.recv(frame, zmq::recv_flags::dontwait)) {
                return;
            }
            frames.push_back(frameText(frame));
        } while (frame.more());
        answer(std::move(frames), now);
    }
}

// Builds the reply to one request (frames as received, peer identity first) and sends it, holds it
// back or drops it, as the fault mode says.
void SimVehicle::answer(std::vector<std::string> frames, std::int64_t now) {
    std::vector<std::string> reply(frames.begin(), frames.begin() + 1);
    std::size_t payload = 1;
    if (frames.size() > 1 && frames[1].empty()) {
        reply.emplace_back();  // the REQ envelope's empty delimiter
        payload = 2;
    }
    Reply result{false, "ERR: a request is two frames, verb and body"};
    std::string shown = "(" + std::to_string(frames.size() - payload) + " frames)";
    publishEvents(now);
    if (frames.size() >= payload + 2) {
        const std::string& verb = frames[payload];
        const std::string& body = frames[payload + 1];
        shown = printable(verb, 8) + " " + printable(body, 80);
        result = dictionary_.handle(verb, body);
    }
    publishLine("request " + shown + " -> " + result.text, false);
    publishEvents(now);
    if (plan_.fault == FaultMode::NeverAnswer) {
        return;
    }
    reply.push_back(result.status());
    reply.push_back(result.text);
    if (plan_.fault == FaultMode::LateAnswer) {
        held_.push_back({now + kLateAnswerMs, std::move(reply)});
        return;
    }
    send(requests_, reply);
}

// Sends the held replies that are due; true when there was any.
bool SimVehicle::sendHeldReplies(std::int64_t now) {
    bool sent = false;
    while (!held_.empty() && held_.front().dueMs <= now) {
        send(requests_, held_.front().frames);  // a peer that gave up is gone: the ROUTER drops it
        held_.pop_front();
        sent = true;
    }
    return sent;
}

}  // namespace kova::sim
