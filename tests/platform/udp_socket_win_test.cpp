// What Windows Sockets does not tell of a datagram socket.

#include "platform/udp_socket.h"

#include <gtest/gtest.h>

namespace zorva::platform {
namespace {

TEST(UdpSocket, WindowsSocketsKeepsNoCountOfDroppedDatagrams) {
    UdpSocket socket = UdpSocket::open();
    socket.bind(0);
    socket.requestReceiveBuffer(4 * 1024 * 1024);
    EXPECT_FALSE(socket.reportDrops());
    EXPECT_FALSE(socket.dropsSoFar());
}

} // namespace
} // namespace zorva::platform
