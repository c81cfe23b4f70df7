#pragma once

#include "platform/udp_socket.h"

#include <string>

namespace zorva::testing {

// A plain UDP socket for the test's side of the wire, made without the code under test.
// Failures throw std::runtime_error naming the call.
class TestSocket {
public:
    enum class Address { Loopback, Any };

    explicit TestSocket(Address address = Address::Loopback, int port = 0);
    ~TestSocket();
    TestSocket(const TestSocket&) = delete;
    TestSocket& operator=(const TestSocket&) = delete;

    platform::SocketHandle handle() const { return m_handle; }
    // Gives the socket up, for a test that hands it to someone else.
    platform::SocketHandle release();

    int port() const;
    void sendTo(int port, const std::string& bytes) const;
    // Whether a datagram is waiting, without waiting for one.
    bool hasIncoming() const;

private:
    platform::SocketHandle m_handle = platform::invalidSocketHandle;
};

// A port that is free at this moment: one that the system chose and that is released again.
int freePort();

// Sends one datagram to the port on the loopback address, from a socket of its own.
void sendDatagram(int port, const std::string& bytes);

// The socket's SO_BROADCAST value, or -1 when it cannot be read.
int broadcastOption(platform::SocketHandle handle);

} // namespace zorva::testing
