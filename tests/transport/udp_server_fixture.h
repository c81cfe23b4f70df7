#pragma once

#include "platform/socket_error.h"
#include "tests/transport/test_support.h"
#include "transport/udp_server.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zorva::transport::test {

constexpr const char* bindFailureText =
    "Could not bind socket. Address and port are already in use.";

struct Delivery {
    std::string data;
    std::thread::id thread;
    std::string peerIp;
    int peerPort = 0;
    int localPort = 0;
};

struct Failure {
    std::string message;
    std::exception_ptr error;
};

class UdpServerTest : public ::testing::Test {
protected:
    UdpServerTest() {
        server.OnUDPRead = [this](UdpServer& sender, const std::string& data,
                                  const SocketBinding& binding) {
            EXPECT_EQ(&sender, &server);
            deliveries.push_back({data, std::this_thread::get_id(), binding.PeerIP(),
                                  binding.PeerPort(), binding.Port()});
            if (onRead)
                onRead(data);
        };
    }

    void recordFailures() {
        server.OnUDPException = [this](UdpServer&, const SocketBinding&, const std::string& message,
                                       const std::exception_ptr& error) {
            failures.push_back({message, error});
        };
    }

    int activate(std::int32_t port = 0) {
        server.setDefaultPort(port);
        server.setActive(true);
        return server.Bindings().front().Port();
    }

    bool awaitDeliveries(std::size_t count) {
        return loop.runUntil([&] { return deliveries.size() >= count; });
    }

    std::vector<std::string> payloads() const {
        std::vector<std::string> data;
        for (const Delivery& d : deliveries)
            data.push_back(d.data);
        return data;
    }

    void expectBindFailure(std::int32_t port) {
        server.setDefaultPort(port);
        try {
            server.setActive(true);
            ADD_FAILURE() << "port " << port << " was bound";
        } catch (const platform::CouldNotBindSocketError& e) {
            EXPECT_STREQ(e.what(), bindFailureText);
        }
        EXPECT_FALSE(server.Active());
        ASSERT_EQ(server.Bindings().size(), 1u);
        EXPECT_EQ(server.Bindings().front().Handle(), platform::invalidSocketHandle);
    }

    test::TestEventLoop loop;
    UdpServer server{loop.queue};
    TestSocket sender;
    std::vector<Delivery> deliveries;
    std::vector<Failure> failures;
    std::function<void(const std::string&)> onRead;
};

// Tests that bind a port by its number; CTest runs them under a resource lock.
class FixedPortUdpServerTest : public UdpServerTest {};

template <typename E> bool rethrowsAs(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const E&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace zorva::transport::test
