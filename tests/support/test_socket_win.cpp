#include "tests/support/test_socket.h"

#include <stdexcept>
#include <utility>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace zorva::testing {

namespace {

void startWindowsSockets() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw std::runtime_error("WSAStartup failed");
}

[[noreturn]] void fail(const char* call) {
    throw std::runtime_error(std::string(call) + ": Windows Sockets error " +
                             std::to_string(WSAGetLastError()));
}

SOCKET sock(platform::SocketHandle handle) {
    return static_cast<SOCKET>(handle);
}

} // namespace

TestSocket::TestSocket(Address address, int port) {
    startWindowsSockets();
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        fail("socket");
    m_handle = static_cast<platform::SocketHandle>(s);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(address == Address::Loopback ? INADDR_LOOPBACK : INADDR_ANY);
    local.sin_port = htons(static_cast<u_short>(port));
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const int error = WSAGetLastError();
        ::closesocket(s);
        WSASetLastError(error);
        fail("bind");
    }
}

TestSocket::~TestSocket() {
    if (m_handle != platform::invalidSocketHandle)
        ::closesocket(sock(m_handle));
}

platform::SocketHandle TestSocket::release() {
    return std::exchange(m_handle, platform::invalidSocketHandle);
}

int TestSocket::port() const {
    sockaddr_in bound{};
    int length = sizeof bound;
    if (::getsockname(sock(m_handle), reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        fail("getsockname");
    return ntohs(bound.sin_port);
}

void TestSocket::sendTo(int port, const std::string& bytes) const {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(static_cast<u_short>(port));
    const int sent = ::sendto(sock(m_handle), bytes.data(), static_cast<int>(bytes.size()), 0,
                              reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (sent != static_cast<int>(bytes.size()))
        fail("sendto");
}

bool TestSocket::hasIncoming() const {
    fd_set read;
    FD_ZERO(&read);
    FD_SET(sock(m_handle), &read);
    timeval now{};
    return ::select(0, &read, nullptr, nullptr, &now) == 1;
}

int freePort() {
    TestSocket probe(TestSocket::Address::Any);
    return probe.port();
}

void sendDatagram(int port, const std::string& bytes) {
    TestSocket(TestSocket::Address::Any).sendTo(port, bytes);
}

int broadcastOption(platform::SocketHandle handle) {
    BOOL value = -1;
    int length = sizeof value;
    if (::getsockopt(sock(handle), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<char*>(&value),
                     &length) != 0)
        return -1;
    return value;
}

} // namespace zorva::testing
