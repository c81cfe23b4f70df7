#include "platform/udp_socket.h"

#include "platform/socket_error.h"

#include <algorithm>
#include <climits>
#include <utility>
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
#include <winsock2.h>
#include <ws2tcpip.h>

namespace zorva::platform {

namespace {

// Windows Sockets must be started once in each process before its first call.
void startWindowsSockets() {
    struct Started {
        Started() {
            WSADATA data{};
            ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        }
        ~Started() {
            if (ok)
                WSACleanup();
        }
        bool ok = false;
    };
    static const Started started;
    if (!started.ok)
        throw Error("Winsock Initialization Error.");
}

// Windows Sockets reports its errors in the numbering that the messages use.
[[noreturn]] void throwLastError() {
    throwSocketError(WSAGetLastError());
}

SOCKET sock(SocketHandle handle) {
    return static_cast<SOCKET>(handle);
}

SocketAddress addressOf(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return {text, ntohs(address.sin_port)};
}

// Not handed down to programs that this one starts.
void keepToThisProcess(SOCKET s) {
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
}

void setNonBlocking(SOCKET s) {
    u_long on = 1;
    if (::ioctlsocket(s, FIONBIO, &on) != 0)
        throwLastError();
}

} // namespace

UdpSocket::~UdpSocket() {
    close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : m_handle(std::exchange(other.m_handle, invalidSocketHandle)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, invalidSocketHandle);
    }
    return *this;
}

UdpSocket UdpSocket::open() {
    startWindowsSockets();
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        throwLastError();
    UdpSocket socket(static_cast<SocketHandle>(s));
    keepToThisProcess(s);
    // A readable socket can still have nothing to give, and the receive must not block then.
    setNonBlocking(s);
    return socket;
}

SocketAddress UdpSocket::bind(int port) {
    if (port < 0 || port > 65535)
        throw CouldNotBindSocketError();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<u_short>(port));
    if (::bind(sock(m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw CouldNotBindSocketError();
    sockaddr_in bound{};
    int length = sizeof bound;
    if (::getsockname(sock(m_handle), reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        throw CouldNotBindSocketError();
    return addressOf(bound);
}

void UdpSocket::setBroadcast(bool enabled) {
    const BOOL value = enabled ? TRUE : FALSE;
    if (::setsockopt(sock(m_handle), SOL_SOCKET, SO_BROADCAST,
                     reinterpret_cast<const char*>(&value), sizeof value) != 0)
        throwLastError();
}

void UdpSocket::requestReceiveBuffer(int bytes) noexcept {
    ::setsockopt(sock(m_handle), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
                 sizeof bytes);
}

// Windows Sockets keeps no count of the datagrams it drops.
bool UdpSocket::reportDrops() noexcept {
    return false;
}

void UdpSocket::refreshDrops() noexcept {}

std::optional<std::size_t> UdpSocket::receiveFrom(std::span<char> buffer, SocketAddress& sender) {
    sockaddr_in from{};
    int length = sizeof from;
    const int size = static_cast<int>(std::min<std::size_t>(buffer.size(), INT_MAX));
    const int received = ::recvfrom(sock(m_handle), buffer.data(), size, 0,
                                    reinterpret_cast<sockaddr*>(&from), &length);
    if (received == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK || error == WSAEINTR)
            return std::nullopt;
        // Winsock reports a datagram longer than the buffer as WSAEMSGSIZE, after filling the
        // buffer with its beginning and dropping the rest.
        if (error == WSAEMSGSIZE)
            sender = addressOf(from);
        throwSocketError(error);
    }
    sender = addressOf(from);
    return static_cast<std::size_t>(received);
}

void UdpSocket::close() noexcept {
    if (m_handle != invalidSocketHandle)
        ::closesocket(sock(std::exchange(m_handle, invalidSocketHandle)));
}

// The wake-up is a datagram socket connected to itself: one datagram sent to it, and never
// read, keeps it readable for every later wait.
SocketWaiter::SocketWaiter() {
    startWindowsSockets();
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        throwLastError();
    m_wakeHandle = static_cast<SocketHandle>(s);
    try {
        keepToThisProcess(s);
        sockaddr_in loopback{};
        loopback.sin_family = AF_INET;
        loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof loopback;
        if (::bind(s, reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback) != 0 ||
            ::getsockname(s, reinterpret_cast<sockaddr*>(&loopback), &length) != 0 ||
            ::connect(s, reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback) != 0)
            throwLastError();
        setNonBlocking(s);
    } catch (...) {
        ::closesocket(s);
        throw;
    }
}

SocketWaiter::~SocketWaiter() {
    ::closesocket(sock(m_wakeHandle));
}

void SocketWaiter::wake() noexcept {
    const char byte = 1;
    // A full queue already holds a wake-up, so a send that fails changes nothing.
    ::send(sock(m_wakeHandle), &byte, 1, 0);
}

bool SocketWaiter::wait(std::span<const SocketHandle> sockets, std::chrono::milliseconds timeout,
                        std::vector<bool>& readable) {
    // Closing a socket does not reliably end a select() on it in another thread; the wake-up
    // socket, waited on together with the sockets, does.
    // A set holds FD_SETSIZE sockets and silently drops any more.
    if (sockets.size() + 1 > FD_SETSIZE)
        throwSocketError(WSAEINVAL);
    fd_set read;
    FD_ZERO(&read);
    FD_SET(sock(m_wakeHandle), &read);
    for (SocketHandle socket : sockets)
        FD_SET(sock(socket), &read);
    readable.assign(sockets.size(), false);

    timeval limit{};
    limit.tv_sec = static_cast<long>(timeout.count() / 1000);
    limit.tv_usec = static_cast<long>(timeout.count() % 1000 * 1000);
    const int ready = ::select(0, &read, nullptr, nullptr, timeout.count() < 0 ? nullptr : &limit);
    if (ready == SOCKET_ERROR) {
        if (WSAGetLastError() == WSAEINTR)
            return true;
        throwLastError();
    }
    if (FD_ISSET(sock(m_wakeHandle), &read))
        return false;
    for (std::size_t i = 0; i < sockets.size(); ++i)
        readable[i] = FD_ISSET(sock(sockets[i]), &read) != 0;
    return true;
}

} // namespace zorva::platform
