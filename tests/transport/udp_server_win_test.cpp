// Tests that reach behind the listener with Windows Sockets calls.

#include "tests/transport/udp_server_fixture.h"

#include <gtest/gtest.h>

#include <winsock2.h>

namespace zorva::transport {
namespace {

using test::rethrowsAs;
using test::UdpServerTest;

// The socket is closed behind the listener's back, which makes the readiness wait fail with
// the real Windows Sockets code; the failure is reported and the listener still reads active.
TEST_F(UdpServerTest, AFailedWaitIsReportedWithTheWinsockCode) {
    recordFailures();
    activate();
    ASSERT_EQ(::closesocket(static_cast<SOCKET>(server.Bindings().front().Handle())), 0);

    ASSERT_TRUE(loop.runUntil([&] { return !failures.empty(); }));
    EXPECT_EQ(failures[0].message, "Socket Error # 10038\r\nSocket operation on non-socket.");
    EXPECT_TRUE(rethrowsAs<platform::NotASocketError>(failures[0].error));
    EXPECT_TRUE(server.Active());
}

} // namespace
} // namespace zorva::transport
