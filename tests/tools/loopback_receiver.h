#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace zorva::tools::test {

// A UDP socket on a loopback port that the system chose, to catch what the sender sends.
class LoopbackReceiver {
public:
    LoopbackReceiver() {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof local;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), length) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
            throw std::runtime_error(std::string("loopback receiver: ") + std::strerror(errno));
        m_port = ntohs(local.sin_port);
        // Room for every datagram a test sends, so that none is dropped before it is read.
        const int size = 4 << 20;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    ~LoopbackReceiver() { ::close(m_fd); }
    LoopbackReceiver(const LoopbackReceiver&) = delete;
    LoopbackReceiver& operator=(const LoopbackReceiver&) = delete;

    int port() const { return m_port; }

    // The next datagram, or nothing when none came within the time; with the sender's address
    // in `from` when asked.
    std::optional<std::string> receive(std::chrono::milliseconds wait = std::chrono::seconds(5),
                                       std::string* from = nullptr) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(wait.count())) != 1)
            return std::nullopt;
        std::string buffer(70000, '\0');
        sockaddr_in sender{};
        socklen_t length = sizeof sender;
        const ssize_t n = ::recvfrom(m_fd, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&sender), &length);
        if (n < 0)
            return std::nullopt;
        if (from) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &sender.sin_addr, text, sizeof text);
            *from = text;
        }
        buffer.resize(static_cast<std::size_t>(n));
        return buffer;
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

// A loopback port on which nothing listens at this moment.
inline int closedPort() {
    LoopbackReceiver probe;
    return probe.port();
}

} // namespace zorva::tools::test
