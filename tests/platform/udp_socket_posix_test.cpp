// What Linux tells of a datagram socket beyond what Windows Sockets tells.

#include "platform/udp_socket.h"
#include "tests/support/test_socket.h"

#include <gtest/gtest.h>

#include <string>

namespace zorva::platform {
namespace {

using zorva::testing::TestSocket;

// Takes every datagram waiting, without waiting for more.
int receiveAll(UdpSocket& socket) {
    char buffer[512];
    SocketAddress sender;
    int received = 0;
    while (socket.receiveFrom(buffer, sender))
        ++received;
    return received;
}

TEST(UdpSocket, TellsHowManyDatagramsTheSystemDroppedForWantOfBufferSpace) {
    UdpSocket socket = UdpSocket::open();
    const int port = socket.bind(0).port;
    EXPECT_FALSE(socket.dropsSoFar()) << "nothing is told before it is asked for";
    socket.requestReceiveBuffer(1); // the least the system allows
    ASSERT_TRUE(socket.reportDrops());
    EXPECT_EQ(socket.dropsSoFar(), 0u);

    TestSocket sender;
    const std::string datagram(200, 'd');
    for (int i = 0; i < 300; ++i)
        sender.sendTo(port, datagram);
    int received = receiveAll(socket);
    ASSERT_GT(received, 0);
    ASSERT_LT(received, 300) << "the buffer was meant to overflow";
    ASSERT_TRUE(socket.dropsSoFar());
    // The count travels with each datagram as it was when that one arrived: the drops after
    // the last one are told only when asked for.
    EXPECT_LE(received + static_cast<int>(*socket.dropsSoFar()), 300);
    socket.refreshDrops();
    EXPECT_EQ(received + static_cast<int>(*socket.dropsSoFar()), 300);

    // A later datagram tells the same count.
    sender.sendTo(port, "last");
    EXPECT_EQ(receiveAll(socket), 1);
    EXPECT_EQ(received + static_cast<int>(*socket.dropsSoFar()), 300);
}

} // namespace
} // namespace zorva::platform
