#include "tools/udp_sender.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zorva::tools {

namespace {

sockaddr_in resolve(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int error = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); error != 0)
        throw SendError("cannot find host " + host + ": " + ::gai_strerror(error));
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof address);
    ::freeaddrinfo(found);
    return address;
}

std::string textOf(const sockaddr_in& address) {
    char ip[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, ip, sizeof ip);
    return std::string(ip) + ":" + std::to_string(ntohs(address.sin_port));
}

} // namespace

UdpSender::UdpSender(const std::string& host, int port, const std::string& from) {
    const sockaddr_in address = resolve(host, port);
    m_target = textOf(address);
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        fail(errno);
    if (!from.empty()) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        if (::inet_pton(AF_INET, from.c_str(), &source.sin_addr) != 1)
            throw SendError("cannot send from " + from + ": not an IPv4 address");
        if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0)
            throw SendError("cannot send from " + from + ": " + std::strerror(errno));
    }
    // The bridge takes broadcasts, so a front office may well send them.
    const int on = 1;
    if (::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        fail(errno);
}

UdpSender::~UdpSender() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void UdpSender::send(std::string_view datagram) {
    for (;;) {
        const ssize_t sent = ::send(m_fd, datagram.data(), datagram.size(), 0);
        if (sent >= 0)
            return;
        if (errno != EINTR)
            fail(errno);
    }
}

void UdpSender::checkDelivery(std::chrono::milliseconds wait) {
    pollfd p{m_fd, 0, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(wait.count()));
    if (ready <= 0 || !(p.revents & POLLERR))
        return;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error != 0)
        fail(error);
}

void UdpSender::fail(int error) const {
    std::string reason = std::strerror(error);
    if (error == ECONNREFUSED)
        reason += " (nothing listens on that port)";
    else if (error == EMSGSIZE)
        reason += " (a UDP datagram over IPv4 holds at most 65507 bytes)";
    throw SendError("cannot send to " + m_target + ": " + reason);
}

} // namespace zorva::tools
