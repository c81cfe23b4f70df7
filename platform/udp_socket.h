#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zorva::platform {

// Wide enough for a descriptor here and for a SOCKET on Windows.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle invalidSocketHandle = -1;

struct SocketAddress {
    std::string ip; // dotted decimal
    int port = 0;
};

// One IPv4 datagram socket. Failures throw SocketError with the Windows Sockets number of the
// system's error, except those of bind(), which all throw CouldNotBindSocketError.
class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    static UdpSocket open();

    // Binds every local address; a port outside 0 to 65535 fails like a port in use.
    // Returns the address and port the system chose.
    SocketAddress bind(int port);
    void setBroadcast(bool enabled);
    // Asks the system for a receive buffer of that many bytes, so that a burst waits there
    // rather than being dropped; the system may grant less, and that is no failure.
    void requestReceiveBuffer(int bytes) noexcept;
    // Asks the system to tell, with each datagram, how many it has dropped on this socket for
    // want of buffer space. False where the system cannot tell.
    bool reportDrops() noexcept;
    // The datagrams the system has dropped since the socket was opened, as it told with the
    // last datagram received or when last asked. Nothing where drops are not reported.
    std::optional<std::uint32_t> dropsSoFar() const { return m_dropsSoFar; }
    // Asks for the count now: drops at the end of a burst have no later datagram to tell them.
    void refreshDrops() noexcept;

    // Takes one waiting datagram into the buffer and returns its length, or nothing when no
    // datagram is waiting after all. A datagram longer than the buffer is discarded whole and
    // reported as "Message too long".
    std::optional<std::size_t> receiveFrom(std::span<char> buffer, SocketAddress& sender);

    void close() noexcept;
    bool isOpen() const { return m_handle != invalidSocketHandle; }
    SocketHandle handle() const { return m_handle; }

private:
    explicit UdpSocket(SocketHandle handle) : m_handle(handle) {}
    SocketHandle m_handle = invalidSocketHandle;
    std::optional<std::uint32_t> m_dropsSoFar;
};

// Waits until datagrams arrive on any of a set of sockets, and can be woken from another thread
// at any moment, whether or not the waiting thread has already begun to wait.
class SocketWaiter {
public:
    SocketWaiter();
    ~SocketWaiter();
    SocketWaiter(const SocketWaiter&) = delete;
    SocketWaiter& operator=(const SocketWaiter&) = delete;

    // Safe from any thread. The waiter stays woken: every later wait returns at once.
    void wake() noexcept;

    // Returns false once woken. Otherwise readable[i] tells whether sockets[i] has something to
    // receive; all are false when the time ran out. Throws SocketError when the wait fails.
    bool wait(std::span<const SocketHandle> sockets, std::chrono::milliseconds timeout,
              std::vector<bool>& readable);

private:
    SocketHandle m_wakeHandle = invalidSocketHandle;
};

} // namespace zorva::platform
