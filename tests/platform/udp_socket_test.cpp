#include "platform/socket_error.h"
#include "platform/udp_socket.h"
#include "tests/support/test_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zorva::platform {
namespace {

using namespace std::chrono_literals;

struct MessageCase {
    int code;
    const char* message;
};

class SocketErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(SocketErrorMessageTest, NamesTheCodeThenItsTextAfterALineBreak) {
    EXPECT_EQ(socketErrorMessage(GetParam().code), GetParam().message);
    EXPECT_STREQ(SocketError(GetParam().code).what(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SocketErrorMessageTest,
    ::testing::Values(MessageCase{10004, "Socket Error # 10004\r\nInterrupted system call."},
                      MessageCase{10040, "Socket Error # 10040\r\nMessage too long."},
                      MessageCase{10048, "Socket Error # 10048\r\nAddress already in use."},
                      MessageCase{10066, "Socket Error # 10066\r\nDirectory not empty"},
                      MessageCase{10093, "Socket Error # 10093\r\n"},
                      MessageCase{0, "Socket Error # 0\r\n"}));

TEST(SocketError, ANonSocketHasItsOwnClassAndOtherCodesDoNot) {
    EXPECT_THROW(throwSocketError(10038), NotASocketError);
    try {
        throwSocketError(10048);
        ADD_FAILURE();
    } catch (const NotASocketError&) {
        ADD_FAILURE() << "10048 is not the non-socket error";
    } catch (const SocketError& e) {
        EXPECT_EQ(e.code(), 10048);
    }
    EXPECT_STREQ(CouldNotBindSocketError().what(),
                 "Could not bind socket. Address and port are already in use.");
}

using zorva::testing::sendDatagram;

// Waits for something to receive on the socket, with a bound.
bool awaitReadable(SocketWaiter& waiter, const UdpSocket& socket) {
    std::vector<bool> readable;
    const SocketHandle handles[] = {socket.handle()};
    return waiter.wait(handles, 5s, readable) && readable[0];
}

TEST(UdpSocket, ReceivesWholeDatagramsAndDiscardsLongerOnesWhole) {
    UdpSocket socket = UdpSocket::open();
    const int port = socket.bind(0).port;
    SocketWaiter waiter;
    char buffer[4];
    SocketAddress sender;

    EXPECT_FALSE(socket.receiveFrom(buffer, sender).has_value()) << "nothing is waiting yet";

    sendDatagram(port, "abcde");
    sendDatagram(port, "abcd");
    ASSERT_TRUE(awaitReadable(waiter, socket));
    try {
        socket.receiveFrom(buffer, sender);
        ADD_FAILURE() << "a datagram longer than the buffer was received";
    } catch (const SocketError& e) {
        EXPECT_EQ(e.code(), 10040);
    }
    ASSERT_TRUE(awaitReadable(waiter, socket));
    const auto received = socket.receiveFrom(buffer, sender);
    ASSERT_EQ(received, 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(sender.ip, "127.0.0.1");
    EXPECT_GT(sender.port, 0);
}

TEST(UdpSocket, BindFailuresAllReadAsAddressInUse) {
    UdpSocket holder = UdpSocket::open();
    const SocketAddress held = holder.bind(0);
    EXPECT_EQ(held.ip, "0.0.0.0");
    for (int port : {held.port, -1, 65536}) {
        UdpSocket socket = UdpSocket::open();
        EXPECT_THROW(socket.bind(port), CouldNotBindSocketError) << port;
    }
}

TEST(SocketWaiter, ReportsAReadableSocketAndATimeOut) {
    UdpSocket socket = UdpSocket::open();
    const int port = socket.bind(0).port;
    SocketWaiter waiter;
    const SocketHandle handles[] = {socket.handle()};
    std::vector<bool> readable;

    EXPECT_TRUE(waiter.wait(handles, 10ms, readable));
    EXPECT_EQ(readable, std::vector<bool>{false});
    sendDatagram(port, "x");
    EXPECT_TRUE(awaitReadable(waiter, socket));
}

TEST(SocketWaiter, AWakeUpEndsAWaitInProgressAndEveryLaterOne) {
    UdpSocket socket = UdpSocket::open();
    socket.bind(0);
    SocketWaiter waiter;
    const SocketHandle handles[] = {socket.handle()};
    std::vector<bool> readable;

    std::thread waker([&] { waiter.wake(); });
    EXPECT_FALSE(waiter.wait(handles, 10s, readable));
    waker.join();
    EXPECT_FALSE(waiter.wait(handles, 10s, readable));
}

TEST(SocketWaiter, AClosedDescriptorIsNotASocket) {
    SocketWaiter waiter;
    SocketHandle closed = invalidSocketHandle;
    {
        UdpSocket socket = UdpSocket::open();
        closed = socket.handle();
    }
    const SocketHandle handles[] = {closed};
    std::vector<bool> readable;
    EXPECT_THROW(waiter.wait(handles, 5s, readable), NotASocketError);
}

} // namespace
} // namespace zorva::platform
