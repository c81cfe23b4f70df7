// Tests that reach behind the listener with POSIX descriptor calls.

#include "tests/transport/udp_server_fixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace zorva::transport {
namespace {

using test::rethrowsAs;
using test::TestSocket;
using test::UdpServerTest;

// The descriptor is closed behind the listener's back, which makes the readiness wait fail; a
// working socket put under the same number must then be received from again.
TEST_F(UdpServerTest, AFailedWaitIsReportedAndReceivingGoesOn) {
    recordFailures();
    activate();
    const int handle = static_cast<int>(server.Bindings().front().Handle());
    ASSERT_EQ(::close(handle), 0);

    ASSERT_TRUE(loop.runUntil([&] { return !failures.empty(); }));
    EXPECT_EQ(failures[0].message, "Socket Error # 10038\r\nSocket operation on non-socket.");
    EXPECT_TRUE(rethrowsAs<platform::NotASocketError>(failures[0].error));
    EXPECT_TRUE(server.Active());

    TestSocket replacement;
    const int replacementPort = replacement.port();
    const int fd = static_cast<int>(replacement.release());
    if (fd != handle) {
        ASSERT_EQ(::dup2(fd, handle), handle);
        ::close(fd);
    }
    sender.sendTo(replacementPort, "after");
    ASSERT_TRUE(awaitDeliveries(1));
    EXPECT_EQ(deliveries.front().data, "after");
}

} // namespace
} // namespace zorva::transport
