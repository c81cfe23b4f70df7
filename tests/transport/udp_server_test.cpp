#include "transport/udp_server.h"

#include "platform/socket_error.h"
#include "tests/transport/udp_server_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zorva::transport {
namespace {

using namespace std::chrono_literals;
using test::Delivery;
using test::FixedPortUdpServerTest;
using test::rethrowsAs;
using test::TestSocket;
using test::UdpServerTest;
using zorva::testing::broadcastOption;

TEST_F(UdpServerTest, DeliversEachDatagramWholeAndInOrderOnTheMainThread) {
    const int port = activate();
    const std::vector<std::string> sent{
        "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101",
        std::string("\0\xFF\r\n^\0", 6),
        "ODA=\xDD\xFE\xE7\xF0\xFD", // Windows-1254 bytes, passed on unconverted
        "x",
    };
    for (const std::string& data : sent)
        sender.sendTo(port, data);

    ASSERT_TRUE(awaitDeliveries(sent.size()));
    EXPECT_EQ(payloads(), sent);
    for (const Delivery& d : deliveries) {
        EXPECT_EQ(d.thread, std::this_thread::get_id());
        EXPECT_EQ(d.peerIp, "127.0.0.1");
        EXPECT_EQ(d.peerPort, sender.port());
        EXPECT_EQ(d.localPort, port);
    }
    EXPECT_FALSE(sender.hasIncoming()) << "the listener never answers";
}

TEST_F(UdpServerTest, PortZeroBindsAPortTheSystemChooses) {
    const int port = activate(0);

    EXPECT_TRUE(server.Active());
    EXPECT_GT(port, 0);
    EXPECT_LE(port, 65535);
    EXPECT_EQ(server.Bindings().front().IP(), "0.0.0.0");
    sender.sendTo(port, "hello");
    ASSERT_TRUE(awaitDeliveries(1));
    EXPECT_EQ(payloads(), std::vector<std::string>{"hello"});
}

TEST_F(UdpServerTest, TheBroadcastOptionFollowsBroadcastEnabled) {
    EXPECT_TRUE(server.BroadcastEnabled());
    activate();
    EXPECT_EQ(broadcastOption(server.Bindings().front().Handle()), 1);

    server.setActive(false);
    server.setBroadcastEnabled(false);
    activate();
    EXPECT_EQ(broadcastOption(server.Bindings().front().Handle()), 0);
}

TEST_F(UdpServerTest, HandlersNeverOverlapEvenWhenAHandlerPumps) {
    const int port = activate();
    int running = 0;
    int mostRunning = 0;
    onRead = [&](const std::string& data) {
        mostRunning = std::max(mostRunning, ++running);
        if (data == "1") {
            for (const char* next : {"2", "3", "4"})
                sender.sendTo(port, next);
            // The receive thread waits for this handler, so the pumps must not start another.
            for (int i = 0; i < 5; ++i) {
                loop.processEvents();
                loop.queue.waitAndDrain(20ms);
            }
        }
        loop.processEvents();
        --running;
    };
    sender.sendTo(port, "1");

    ASSERT_TRUE(awaitDeliveries(4));
    EXPECT_EQ(payloads(), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(mostRunning, 1);
}

struct SizeCase {
    const char* name;
    std::size_t size;
    bool delivered;
};
void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class UdpServerSizeTest : public UdpServerTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(UdpServerSizeTest, DeliversUpToTheBufferSizeAndDropsLongerDatagramsWhole) {
    recordFailures();
    const int port = activate();
    std::string payload(GetParam().size, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>(i * 7);

    sender.sendTo(port, payload);
    sender.sendTo(port, "next");
    ASSERT_TRUE(
        loop.runUntil([&] { return !deliveries.empty() && deliveries.back().data == "next"; }));

    const std::vector<std::string> expected = GetParam().delivered
                                                  ? std::vector<std::string>{payload, "next"}
                                                  : std::vector<std::string>{"next"};
    EXPECT_TRUE(payloads() == expected) << deliveries.size() << " datagrams delivered";
    if (GetParam().delivered) {
        EXPECT_TRUE(failures.empty());
    } else {
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].message, "Socket Error # 10040\r\nMessage too long.");
        EXPECT_THROW(std::rethrow_exception(failures[0].error), platform::SocketError);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, UdpServerSizeTest,
                         ::testing::Values(SizeCase{"Empty", 0, true}, SizeCase{"OneByte", 1, true},
                                           SizeCase{"BufferSize", 8192, true},
                                           SizeCase{"OneOverBufferSize", 8193, false},
                                           SizeCase{"LargestUdp", 65507, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ThrowCase {
    const char* name;
    void (*raise)();
    const char* message;
    bool (*isTheRaisedOne)(const std::exception_ptr&);
};
void PrintTo(const ThrowCase& c, std::ostream* os) {
    *os << c.name;
}

class UdpServerThrowTest : public UdpServerTest, public ::testing::WithParamInterface<ThrowCase> {};

TEST_P(UdpServerThrowTest, AThrowingHandlerDropsThatDatagramAndTheListenerGoesOn) {
    recordFailures();
    const int port = activate();
    onRead = [](const std::string& data) {
        if (data == "bad")
            GetParam().raise();
    };
    sender.sendTo(port, "bad");
    sender.sendTo(port, "good");

    ASSERT_TRUE(awaitDeliveries(2));
    EXPECT_EQ(payloads(), (std::vector<std::string>{"bad", "good"}));
    EXPECT_TRUE(server.Active());
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].message, GetParam().message);
    EXPECT_TRUE(GetParam().isTheRaisedOne(failures[0].error));
}

INSTANTIATE_TEST_SUITE_P(
    Exceptions, UdpServerThrowTest,
    ::testing::Values(
        ThrowCase{"ProgramError",
                  [] { throw platform::Error("'32.07.2025 14:00' is not a valid date and time"); },
                  "'32.07.2025 14:00' is not a valid date and time", rethrowsAs<platform::Error>},
        ThrowCase{"StandardException", [] { throw std::out_of_range("index"); }, "index",
                  rethrowsAs<std::out_of_range>},
        ThrowCase{"NotAnException", [] { throw 42; }, "", rethrowsAs<int>}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UdpServerTest, AThrowingHandlerWithoutAnExceptionEventLeavesTheListenerRunning) {
    const int port = activate();
    onRead = [](const std::string& data) {
        if (data == "bad")
            throw platform::Error("bad date");
    };
    sender.sendTo(port, "bad");
    sender.sendTo(port, std::string(8193, 'x'));
    sender.sendTo(port, "good");

    ASSERT_TRUE(awaitDeliveries(2));
    EXPECT_EQ(payloads(), (std::vector<std::string>{"bad", "good"}));
    EXPECT_TRUE(server.Active());
}

TEST_F(UdpServerTest, APortHeldByAnotherSocketCannotBeBoundAndAFreeOneThenCan) {
    TestSocket holder(TestSocket::Address::Any);
    expectBindFailure(holder.port());

    const int port = activate(0);
    EXPECT_TRUE(server.Active());
    sender.sendTo(port, "after");
    ASSERT_TRUE(awaitDeliveries(1));
}

class UdpServerPortRangeTest : public UdpServerTest,
                               public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(UdpServerPortRangeTest, APortOutsideTheRangeFailsLikeAPortInUse) {
    expectBindFailure(GetParam());
    EXPECT_NO_THROW(activate(0));
    EXPECT_TRUE(server.Active());
}

INSTANTIATE_TEST_SUITE_P(Ports, UdpServerPortRangeTest,
                         ::testing::Values(-1, 65536, INT32_MIN, INT32_MAX));

TEST_F(UdpServerTest, ActivatingWhenActiveOrDeactivatingWhenInactiveDoesNothing) {
    server.setActive(false);
    EXPECT_FALSE(server.Active());
    EXPECT_TRUE(server.Bindings().empty());

    const int port = activate();
    const platform::SocketHandle handle = server.Bindings().front().Handle();
    server.setActive(true);
    EXPECT_EQ(server.Bindings().size(), 1u);
    EXPECT_EQ(server.Bindings().front().Handle(), handle);
    EXPECT_EQ(server.Bindings().front().Port(), port);
    sender.sendTo(port, "still here");
    ASSERT_TRUE(awaitDeliveries(1));
}

TEST_F(UdpServerTest, DeactivationWithoutTrafficReturnsPromptly) {
    const int port = activate();
    sender.sendTo(port, "ping");
    ASSERT_TRUE(awaitDeliveries(1)); // the receive thread is running and back to waiting

    const auto start = std::chrono::steady_clock::now();
    server.setActive(false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(server.Active());
    ASSERT_EQ(server.Bindings().size(), 1u);
    EXPECT_EQ(server.Bindings().front().Handle(), platform::invalidSocketHandle);
}

TEST_F(UdpServerTest, ADatagramAlreadyQueuedIsHandledBeforeDeactivationReturns) {
    const int port = activate();
    sender.sendTo(port, "late");
    ASSERT_TRUE(loop.waitForWakeUp()); // queued for the main thread, not yet run
    EXPECT_TRUE(deliveries.empty());

    server.setActive(false);
    EXPECT_EQ(payloads(), std::vector<std::string>{"late"});
    EXPECT_EQ(deliveries.front().thread, std::this_thread::get_id());
}

TEST_F(UdpServerTest, ABurstWaitsForTheBusyMainThreadAndNothingIsLost) {
    std::vector<std::uint64_t> losses;
    server.OnDatagramsLost = [&](UdpServer&, std::uint64_t lost) { losses.push_back(lost); };
    const int port = activate();
    // The main thread sends them all before it handles any, as a long handler would keep it.
    std::vector<std::string> sent;
    for (int i = 0; i < 3000; ++i) {
        sent.push_back("CIN=29.07.2025^COUT=31.07.2025^ODA=" + std::to_string(i));
        sender.sendTo(port, sent.back());
    }
    ASSERT_TRUE(awaitDeliveries(sent.size()));
    EXPECT_EQ(payloads(), sent);
    server.setActive(false);
    EXPECT_TRUE(losses.empty());
}

struct QueueLimitCase {
    const char* name;
    std::size_t datagrams;
    std::size_t bytes;
    std::size_t payloadSize;
    std::size_t kept;
};
void PrintTo(const QueueLimitCase& c, std::ostream* os) {
    *os << c.name;
}

class UdpServerQueueLimitTest : public UdpServerTest,
                                public ::testing::WithParamInterface<QueueLimitCase> {};

TEST_P(UdpServerQueueLimitTest, WhatTheQueueCannotHoldIsCountedAndToldOncePerBurst) {
    const QueueLimitCase& c = GetParam();
    server.setQueueLimits(c.datagrams, c.bytes);
    std::vector<std::uint64_t> losses;
    server.OnDatagramsLost = [&](UdpServer&, std::uint64_t lost) { losses.push_back(lost); };
    const int port = activate();
    // Each burst arrives while the main thread handles nothing; the loss is told once nothing
    // has arrived for a while, after what was kept.
    const auto burst = [&](char first, int count) {
        for (int i = 0; i < count; ++i)
            sender.sendTo(port, std::string(c.payloadSize, static_cast<char>(first + i)));
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (server.waitingDatagrams() < c.kept && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(1500ms);
        const std::size_t before = losses.size();
        return loop.runUntil([&] { return losses.size() > before; });
    };
    // The first character of each payload delivered.
    const auto firsts = [&] {
        std::string out;
        for (const std::string& data : payloads())
            out += data.front();
        return out;
    };

    ASSERT_TRUE(burst('a', 20));
    EXPECT_EQ(firsts(), std::string("abcdefghij").substr(0, c.kept));
    EXPECT_EQ(losses, std::vector<std::uint64_t>{20 - c.kept});

    ASSERT_TRUE(burst('A', 12));
    EXPECT_EQ(firsts(), std::string("abcdefghij").substr(0, c.kept) +
                            std::string("ABCDEFGHIJ").substr(0, c.kept));
    EXPECT_EQ(losses, (std::vector<std::uint64_t>{20 - c.kept, 12 - c.kept}));
}

INSTANTIATE_TEST_SUITE_P(Limits, UdpServerQueueLimitTest,
                         ::testing::Values(QueueLimitCase{"ByCount", 5, 1 << 20, 10, 5},
                                           QueueLimitCase{"ByBytes", 1000, 10'000, 4000, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UdpServerTest, DeactivationHandlesEveryDatagramAlreadyReceivedInOrder) {
    const int port = activate();
    std::vector<std::string> sent;
    for (int i = 0; i < 100; ++i) {
        sent.push_back(std::to_string(i));
        sender.sendTo(port, sent.back());
    }
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (server.waitingDatagrams() < sent.size() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(server.waitingDatagrams(), sent.size());
    EXPECT_TRUE(deliveries.empty());

    server.setActive(false);
    EXPECT_EQ(payloads(), sent);
    EXPECT_EQ(server.waitingDatagrams(), 0u);
    loop.processEvents(); // the delivery that was posted finds nothing left to do
    EXPECT_EQ(deliveries.size(), sent.size());
}

TEST_F(UdpServerTest, DeactivationFromInsideAnEventDropsWhatWaitsAndTellsHowMany) {
    std::vector<std::uint64_t> losses;
    server.OnDatagramsLost = [&](UdpServer&, std::uint64_t lost) { losses.push_back(lost); };
    const int port = activate();
    onRead = [&](const std::string&) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (server.waitingDatagrams() < 5 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        server.setActive(false);
    };
    for (const char* data : {"first", "2", "3", "4", "5", "6"})
        sender.sendTo(port, data);
    ASSERT_TRUE(loop.runUntil([&] { return !server.Active(); }));
    loop.processEvents();
    EXPECT_EQ(payloads(), std::vector<std::string>{"first"});
    EXPECT_EQ(losses, std::vector<std::uint64_t>{5});
}

TEST_F(FixedPortUdpServerTest, ANewPortTakesEffectAtTheNextActivation) {
    const int oldPort = activate(0);
    const int newPort = test::freePort();
    ASSERT_NE(newPort, oldPort);

    server.setDefaultPort(newPort);
    EXPECT_EQ(server.Bindings().front().Port(), oldPort);
    sender.sendTo(oldPort, "while active");
    ASSERT_TRUE(awaitDeliveries(1));

    server.setActive(false);
    server.setActive(true);
    EXPECT_EQ(server.Bindings().front().Port(), newPort);
    sender.sendTo(oldPort, "to the old port");
    sender.sendTo(newPort, "to the new port");
    ASSERT_TRUE(awaitDeliveries(2));
    EXPECT_EQ(payloads(), (std::vector<std::string>{"while active", "to the new port"}));
    EXPECT_NO_THROW(TestSocket(TestSocket::Address::Any, oldPort)) << "the old port is released";
}

TEST_F(FixedPortUdpServerTest, DestroyingAnActiveListenerReleasesItsPort) {
    int port = 0;
    {
        UdpServer other(loop.queue);
        other.setDefaultPort(0);
        other.setActive(true);
        port = other.Bindings().front().Port();
    }
    EXPECT_NO_THROW(TestSocket(TestSocket::Address::Any, port));
}

} // namespace
} // namespace zorva::transport
