// The request exchange against a real ROUTER socket on 127.0.0.1: replies, time-outs, fresh
// sockets, malformed replies, set-up failures and serialisation.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "command/RequestExchange.h"
#include "command_test_controller.h"
#include "net/Context.h"

namespace kova::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kErrorPrefix = "Network req: zmq error, ";

class RequestExchangeTest : public ::testing::Test {
protected:
    RequestExchangeTest() : port_(freeBasePort() + 2), exchange_(endpoint("127.0.0.1")) {}

    int requestPort() const { return port_; }
    std::string endpoint(const std::string& host) const {
        return "tcp://" + host + ":" + std::to_string(port_);
    }

    int port_;
    RequestExchange exchange_;
};

// Answers the request numbered i with the frames of replies[i] (no reply past the end).
Responder scripted(std::vector<Answer> replies) {
    return [replies](const ReceivedRequest&, std::size_t index) {
        return index < replies.size() ? replies[index] : Answer{};
    };
}

TEST_F(RequestExchangeTest, RepliesShowTheVerbABlankAndTheSecondFrameOnOneSocket) {
    struct Case {
        std::vector<std::string> reply;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {{"a", "12"}, "get 12"},
        {{"a", "12", "c"}, "get 12"},
        {{"a", ""}, "get "},
        {{"", "%s%n%d"}, "get %s%n%d"},
        {{"a", std::string("x\ry\n\0z\x7f\t", 8)}, "get x^My^J^@z^?^I"},
        {{"a", "ok\xff"}, "get ok\\xff"},  // an invalid byte, escaped whatever the locale
    };
    std::vector<Answer> replies;
    for (const Case& c : cases) {
        replies.push_back(Answer{c.reply, 0ms});
    }
    TestController controller(requestPort(), scripted(replies));
    for (const Case& c : cases) {
        const ExchangeResult result = exchange_.exchange("get", "1/0");
        EXPECT_EQ(result.status, ExchangeStatus::Replied);
        EXPECT_EQ(result.text, c.shown);
    }
    const auto seen = controller.requests();
    ASSERT_EQ(seen.size(), cases.size());
    for (const ReceivedRequest& request : seen) {
        EXPECT_EQ(request.identity, seen[0].identity) << "a reply must not cost the socket";
    }
    EXPECT_TRUE(exchange_.hasSocket());
}

TEST_F(RequestExchangeTest, ARequestIsTwoFramesVerbThenBodyByteForByte) {
    TestController controller(requestPort(), echoAnswer);
    const std::vector<std::vector<std::string>> requests = {
        {"set", "3033/0/15"}, {"getm", ""}, {"setm", "5/\xff/\x01/%s"}, {"get", std::string(255, '9')}};
    for (const auto& request : requests) {
        const ExchangeResult result = exchange_.exchange(request[0], request[1]);
        EXPECT_EQ(result.status, ExchangeStatus::Replied);
    }
    const auto seen = controller.requests();
    ASSERT_EQ(seen.size(), requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(seen[i].frames, requests[i]);
    }
}

TEST_F(RequestExchangeTest, AOneFrameReplyIsMalformedAndTheSocketStays) {
    TestController controller(requestPort(), scripted({{{"only"}, 0ms}, {{"a", "fine"}, 0ms}}));
    const ExchangeResult malformed = exchange_.exchange("get", "1/0");
    EXPECT_EQ(malformed.status, ExchangeStatus::MalformedReply);
    EXPECT_EQ(malformed.text, "get malformed reply (1 frame)");
    const ExchangeResult next = exchange_.exchange("get", "1/0");
    EXPECT_EQ(next.text, "get fine");
    const auto seen = controller.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].identity, seen[1].identity);
}

TEST_F(RequestExchangeTest, ATimeOutDropsTheSocketAndTheNextRequestMakesANewOne) {
    TestController controller(requestPort(), scripted({{{}, 0ms}, {{"a", "back"}, 0ms}}));
    const auto start = Clock::now();
    const ExchangeResult silent = exchange_.exchange("set", "112/0/2");
    const auto waited = Clock::now() - start;
    EXPECT_EQ(silent.status, ExchangeStatus::NoResponse);
    EXPECT_EQ(silent.text, "no response");
    EXPECT_GE(waited, 1150ms);
    EXPECT_LT(waited, 5s);
    EXPECT_FALSE(exchange_.hasSocket());

    EXPECT_EQ(exchange_.exchange("set", "112/0/3").text, "set back");
    const auto seen = controller.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0].identity, seen[1].identity) << "an unanswered socket was reused";
}

TEST_F(RequestExchangeTest, AReplyAfterTheTimeOutIsNeverShown) {
    TestController controller(requestPort(), scripted({{{"a", "late"}, 1500ms}, {{"a", "second"}, 0ms}}));
    EXPECT_EQ(exchange_.exchange("get", "1/0").text, "no response");
    // The late reply goes to the dropped socket; the next request sees only its own.
    EXPECT_EQ(exchange_.exchange("get", "2/0").text, "get second");
    const auto seen = controller.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0].identity, seen[1].identity);
}

TEST_F(RequestExchangeTest, ExchangesFromSeveralThreadsNeverOverlap) {
    TestController controller(requestPort(), [](const ReceivedRequest& request, std::size_t index) {
        Answer answer = echoAnswer(request, index);
        answer.delay = 100ms;
        return answer;
    });
    std::vector<ExchangeResult> results(4, ExchangeResult{ExchangeStatus::Stopped, ""});
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back(
            [this, &results, i] { results[i] = exchange_.exchange("get", std::to_string(i)); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].status, ExchangeStatus::Replied);
        EXPECT_EQ(results[i].text, "get get:" + std::to_string(i));
    }
    const auto seen = controller.requests();
    ASSERT_EQ(seen.size(), results.size());
    for (const ReceivedRequest& request : seen) {
        EXPECT_FALSE(request.othersWaiting) << "a second request was sent before the first was answered";
        EXPECT_EQ(request.identity, seen[0].identity);
    }
}

TEST_F(RequestExchangeTest, ABigBinaryReplyIsTakenWholeAndTheNextRequestWorks) {
    std::string binary;
    for (int i = 0; i < 65536; ++i) {
        binary += static_cast<char>(i % 256);
    }
    TestController controller(requestPort(), scripted({{{"a", binary}, 0ms}, {{"a", "after"}, 0ms}}));
    const ExchangeResult big = exchange_.exchange("get", "1/0");
    EXPECT_EQ(big.status, ExchangeStatus::Replied);
    EXPECT_EQ(big.reply, binary) << "the reply's frame byte for byte";
    EXPECT_EQ(big.text.find_first_of(std::string("\r\n\b\t\0", 5)), std::string::npos);
    EXPECT_EQ(exchange_.exchange("get", "1/0").text, "get after");
}

// A host the messaging library refuses: each request gives the cause once, as its result, and no
// socket is made again for an endpoint known to be refused; a changed endpoint is tried afresh.
TEST_F(RequestExchangeTest, ARefusedEndpointFailsOncePerRequestWithoutANewSocket) {
    TestController controller(requestPort(), echoAnswer);
    exchange_.setEndpoint(endpoint("bad host!"));
    const ExchangeResult refused = exchange_.exchange("get", "1/0");
    EXPECT_EQ(refused.status, ExchangeStatus::Failed);
    EXPECT_EQ(refused.text.rfind(kErrorPrefix, 0), 0u) << refused.text;
    EXPECT_GT(refused.text.size(), kErrorPrefix.size());
    EXPECT_EQ(refused.text.find("current state"), std::string::npos) << "the consequence, not the cause";
    EXPECT_FALSE(exchange_.hasSocket());

    // Taking every socket the context allows would make a new socket fail: the refused endpoint
    // must not even try.
    std::vector<zmq::socket_t> hogs;
    try {
        for (int i = 0; i < 4096; ++i) {
            hogs.emplace_back(messagingContext(), zmq::socket_type::pair);
        }
    } catch (const zmq::error_t&) {
    }
    const ExchangeResult again = exchange_.exchange("get", "1/0");
    EXPECT_EQ(again.status, ExchangeStatus::Failed);
    EXPECT_EQ(again.text, refused.text);
    hogs.clear();

    exchange_.setEndpoint(endpoint("127.0.0.1"));
    ExchangeResult fixed{ExchangeStatus::NoSocket, ""};
    EXPECT_TRUE(waitUntil(
        [&] {
            fixed = exchange_.exchange("get", "1/0");
            return fixed.status == ExchangeStatus::Replied;
        },
        5s));
    EXPECT_EQ(fixed.text, "get get:1/0");
}

TEST_F(RequestExchangeTest, ASocketThatCannotBeMadeIsSaidOnceAndTriedAgainNextTime) {
    TestController controller(requestPort(), echoAnswer);
    // Take every socket the messaging context allows.
    std::vector<zmq::socket_t> hogs;
    try {
        for (int i = 0; i < 4096; ++i) {
            hogs.emplace_back(messagingContext(), zmq::socket_type::pair);
        }
    } catch (const zmq::error_t&) {
    }
    ASSERT_LT(hogs.size(), 4096u);
    const ExchangeResult none = exchange_.exchange("get", "1/0");
    EXPECT_EQ(none.status, ExchangeStatus::NoSocket);
    EXPECT_EQ(none.text, "no socket req (" + kErrorPrefix + zmq_strerror(EMFILE) + ")");
    EXPECT_FALSE(exchange_.hasSocket());
    EXPECT_EQ(controller.count(), 0u);

    hogs.clear();  // the context frees their slots shortly after
    ExchangeResult again{ExchangeStatus::NoSocket, ""};
    EXPECT_TRUE(waitUntil(
        [&] {
            again = exchange_.exchange("get", "1/0");
            return again.status == ExchangeStatus::Replied;
        },
        5s));
    EXPECT_EQ(again.text, "get get:1/0");
}

}  // namespace
}  // namespace kova::test
