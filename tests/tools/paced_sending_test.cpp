#include "tools/paced_sending.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zorva::tools {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// A clock that moves only when the sender sleeps, or when a test says that a send took time.
struct FakeTime {
    SendClock::time_point now{SendClock::duration(1'000'000)};
    std::vector<SendClock::duration> sendTimes;
    std::vector<std::string> sent;
    int sleeps = 0;
    SendClock::duration eachSendTakes{};

    Pacer pacer() {
        return {[this] { return now; },
                [this](SendClock::time_point t) {
                    ++sleeps;
                    if (t > now)
                        now = t;
                }};
    }
    std::function<void(std::string_view)> sender(SendClock::time_point start) {
        return [this, start](std::string_view d) {
            sendTimes.push_back(now - start);
            sent.emplace_back(d);
            now += eachSendTakes;
        };
    }
};

TEST(PacedSending, SendsTheListInOrderRoundAfterRoundAsFastAsItCanWithoutARate) {
    FakeTime time;
    const SendTotals totals =
        sendPaced({"ab", "", "cde"}, 2, std::nullopt, time.sender(time.now), time.pacer());
    EXPECT_THAT(time.sent, ElementsAre("ab", "", "cde", "ab", "", "cde"));
    EXPECT_EQ(totals.datagrams, 6u);
    EXPECT_EQ(totals.bytes, 10u);
    EXPECT_EQ(time.sleeps, 0);
}

TEST(PacedSending, WithARateEachDatagramLeavesOnAFixedSchedule) {
    FakeTime time;
    const auto start = time.now;
    sendPaced({"a", "b"}, 3, 4.0, time.sender(start), time.pacer());
    EXPECT_THAT(time.sent, ElementsAre("a", "b", "a", "b", "a", "b"));
    EXPECT_THAT(time.sendTimes, ElementsAre(0ms, 250ms, 500ms, 750ms, 1000ms, 1250ms));
}

TEST(PacedSending, ALateSendDoesNotPushBackTheOnesAfterIt) {
    FakeTime time;
    const auto start = time.now;
    time.eachSendTakes = 150ms; // slower than the 100 ms the rate gives each datagram
    sendPaced({"x"}, 4, 10.0, time.sender(start), time.pacer());
    EXPECT_THAT(time.sendTimes, ElementsAre(0ms, 150ms, 300ms, 450ms));
    EXPECT_EQ(time.sleeps, 0) << "behind schedule, nothing waits";

    FakeTime slow;
    const auto slowStart = slow.now;
    sendPaced({"x"}, 3, 0.5, slow.sender(slowStart), slow.pacer());
    EXPECT_THAT(slow.sendTimes, ElementsAre(0s, 2s, 4s));
}

TEST(PacedSending, AFailedSendEndsTheRun) {
    FakeTime time;
    int calls = 0;
    EXPECT_THROW(sendPaced(
                     {"a"}, 5, std::nullopt,
                     [&](std::string_view) {
                         if (++calls == 3)
                             throw std::runtime_error("refused");
                     },
                     time.pacer()),
                 std::runtime_error);
    EXPECT_EQ(calls, 3);
}

} // namespace
} // namespace zorva::tools
