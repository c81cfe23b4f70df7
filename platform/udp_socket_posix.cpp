#include "platform/udp_socket.h"

#include "platform/socket_error.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace zorva::platform {

namespace {

// The Windows Sockets number for each error the system reports in its own numbering.
int winsockCodeOf(int error) {
    switch (error) {
    case EINTR:
        return 10004;
    case EBADF:
        return 10009;
    case EACCES:
    case EPERM:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
    case ENFILE:
        return 10024;
    case EWOULDBLOCK:
        return 10035;
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return 10040;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return 10043;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return 10045;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ENETRESET:
        return 10052;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
        return 10054;
    case ENOBUFS:
    case ENOMEM:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case ESHUTDOWN:
        return 10058;
    case ETOOMANYREFS:
        return 10059;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case ELOOP:
        return 10062;
    case ENAMETOOLONG:
        return 10063;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return 10065;
    case ENOTEMPTY:
        return 10066;
    default:
        return error; // no Windows Sockets equivalent: the system's own number
    }
}

[[noreturn]] void throwLastError() {
    throwSocketError(winsockCodeOf(errno));
}

int fd(SocketHandle handle) {
    return static_cast<int>(handle);
}

SocketAddress addressOf(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return {text, ntohs(address.sin_port)};
}

} // namespace

UdpSocket::~UdpSocket() {
    close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : m_handle(std::exchange(other.m_handle, invalidSocketHandle)),
      m_dropsSoFar(std::exchange(other.m_dropsSoFar, std::nullopt)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, invalidSocketHandle);
        m_dropsSoFar = std::exchange(other.m_dropsSoFar, std::nullopt);
    }
    return *this;
}

UdpSocket UdpSocket::open() {
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        throwLastError();
    return UdpSocket(handle);
}

SocketAddress UdpSocket::bind(int port) {
    if (port < 0 || port > 65535)
        throw CouldNotBindSocketError();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd(m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw CouldNotBindSocketError();
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(fd(m_handle), reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        throw CouldNotBindSocketError();
    return addressOf(bound);
}

void UdpSocket::setBroadcast(bool enabled) {
    const int value = enabled ? 1 : 0;
    if (::setsockopt(fd(m_handle), SOL_SOCKET, SO_BROADCAST, &value, sizeof value) != 0)
        throwLastError();
}

void UdpSocket::requestReceiveBuffer(int bytes) noexcept {
    // Linux holds an ordinary process to net.core.rmem_max, without a word.
    ::setsockopt(fd(m_handle), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

bool UdpSocket::reportDrops() noexcept {
    const int on = 1;
    if (::setsockopt(fd(m_handle), SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on) != 0)
        return false;
    m_dropsSoFar = 0;
    return true;
}

void UdpSocket::refreshDrops() noexcept {
    if (!m_dropsSoFar)
        return;
    std::uint32_t memory[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof memory;
    if (::getsockopt(fd(m_handle), SOL_SOCKET, SO_MEMINFO, memory, &length) == 0 &&
        length > SK_MEMINFO_DROPS * sizeof memory[0])
        m_dropsSoFar = memory[SK_MEMINFO_DROPS];
}

std::optional<std::size_t> UdpSocket::receiveFrom(std::span<char> buffer, SocketAddress& sender) {
    sockaddr_in from{};
    iovec data{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    // MSG_TRUNC makes the call return the datagram's true length, so that an oversized one is
    // recognised; the kernel discards its rest either way. MSG_DONTWAIT because a readable
    // socket can still have nothing to give (a datagram dropped for a bad checksum).
    const ssize_t received = ::recvmsg(fd(m_handle), &message, MSG_TRUNC | MSG_DONTWAIT);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return std::nullopt;
        throwLastError();
    }
    // The count comes only once there has been a drop; until then it is 0.
    if (m_dropsSoFar) {
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
                std::uint32_t count = 0;
                std::memcpy(&count, CMSG_DATA(c), sizeof count);
                m_dropsSoFar = count;
            }
        }
    }
    sender = addressOf(from);
    if (static_cast<std::size_t>(received) > buffer.size())
        throwSocketError(winsock::messageTooLong);
    return static_cast<std::size_t>(received);
}

void UdpSocket::close() noexcept {
    if (m_handle != invalidSocketHandle)
        ::close(fd(std::exchange(m_handle, invalidSocketHandle)));
    m_dropsSoFar.reset();
}

SocketWaiter::SocketWaiter() {
    const int handle = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (handle < 0)
        throwLastError();
    m_wakeHandle = handle;
}

SocketWaiter::~SocketWaiter() {
    ::close(fd(m_wakeHandle));
}

void SocketWaiter::wake() noexcept {
    const std::uint64_t one = 1;
    // The counter is never read, so it stays readable; a full counter is still readable.
    if (::write(fd(m_wakeHandle), &one, sizeof one) < 0) {
    }
}

bool SocketWaiter::wait(std::span<const SocketHandle> sockets, std::chrono::milliseconds timeout,
                        std::vector<bool>& readable) {
    // Linux does not wake a thread blocked on a socket when another thread closes it; the
    // wake-up descriptor, waited on together with the sockets, does.
    std::vector<pollfd> fds;
    fds.reserve(sockets.size() + 1);
    fds.push_back({fd(m_wakeHandle), POLLIN, 0});
    for (SocketHandle socket : sockets)
        fds.push_back({fd(socket), POLLIN, 0});
    readable.assign(sockets.size(), false);

    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
    if (ready < 0) {
        if (errno == EINTR)
            return true; // a signal cut the wait short; the caller simply waits again
        throwLastError();
    }
    if (fds[0].revents != 0)
        return false;
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        const short events = fds[i + 1].revents;
        if (events & POLLNVAL)
            throwSocketError(winsock::notASocket);
        readable[i] = (events & (POLLIN | POLLERR | POLLHUP)) != 0;
    }
    return true;
}

} // namespace zorva::platform
