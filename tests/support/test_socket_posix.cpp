#include "tests/support/test_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace zorva::testing {

namespace {

[[noreturn]] void fail(const char* call) {
    throw std::runtime_error(std::string(call) + ": " + std::strerror(errno));
}

int fd(platform::SocketHandle handle) {
    return static_cast<int>(handle);
}

} // namespace

TestSocket::TestSocket(Address address, int port) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        fail("socket");
    m_handle = s;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(address == Address::Loopback ? INADDR_LOOPBACK : INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        ::close(s);
        errno = error;
        fail("bind");
    }
}

TestSocket::~TestSocket() {
    if (m_handle != platform::invalidSocketHandle)
        ::close(fd(m_handle));
}

platform::SocketHandle TestSocket::release() {
    return std::exchange(m_handle, platform::invalidSocketHandle);
}

int TestSocket::port() const {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(fd(m_handle), reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        fail("getsockname");
    return ntohs(bound.sin_port);
}

void TestSocket::sendTo(int port, const std::string& bytes) const {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    const ssize_t sent = ::sendto(fd(m_handle), bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (sent != static_cast<ssize_t>(bytes.size()))
        fail("sendto");
}

bool TestSocket::hasIncoming() const {
    char byte = 0;
    return ::recv(fd(m_handle), &byte, 1, MSG_DONTWAIT | MSG_PEEK) >= 0;
}

int freePort() {
    TestSocket probe(TestSocket::Address::Any);
    return probe.port();
}

void sendDatagram(int port, const std::string& bytes) {
    TestSocket(TestSocket::Address::Any).sendTo(port, bytes);
}

int broadcastOption(platform::SocketHandle handle) {
    int value = -1;
    socklen_t length = sizeof value;
    if (::getsockopt(fd(handle), SOL_SOCKET, SO_BROADCAST, &value, &length) != 0)
        return -1;
    return value;
}

} // namespace zorva::testing
