#pragma once

#include "transport/main_thread_queue.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace zorva::transport::test {

using namespace std::chrono_literals;

// Stands in for the window's event loop: the queue's wake-up posts an "event", and handling an
// event drains the queue, as the toolkit adapter does.
class TestEventLoop {
public:
    // Handles posted events until done() holds; false if it did not within the limit.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            {
                std::unique_lock lock(m_mutex);
                if (!m_posted.wait_until(lock, deadline, [&] { return m_pending > 0; }))
                    return done();
                --m_pending;
            }
            queue.drain();
        }
        return true;
    }

    // Waits until a call has been queued, without running it.
    bool waitForWakeUp(std::chrono::milliseconds limit = 5s) {
        std::unique_lock lock(m_mutex);
        return m_posted.wait_for(lock, limit, [&] { return m_pending > 0; });
    }

    // What a pump does: handles the events posted so far, without waiting.
    void processEvents() {
        int events = 0;
        {
            std::lock_guard lock(m_mutex);
            events = std::exchange(m_pending, 0);
        }
        for (int i = 0; i < events; ++i)
            queue.drain();
    }

private:
    void post() {
        {
            std::lock_guard lock(m_mutex);
            ++m_pending;
        }
        m_posted.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_posted;
    int m_pending = 0;

public:
    MainThreadQueue queue{[this] { post(); }};
};

// A plain UDP socket for the test's side of the wire.
class TestSocket {
public:
    enum class Address { Loopback, Any };

    explicit TestSocket(Address address = Address::Loopback, int port = 0) {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0)
            fail("socket");
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(address == Address::Loopback ? INADDR_LOOPBACK : INADDR_ANY);
        local.sin_port = htons(static_cast<std::uint16_t>(port));
        if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            fail("bind");
    }
    ~TestSocket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TestSocket(const TestSocket&) = delete;
    TestSocket& operator=(const TestSocket&) = delete;

    int fd() const { return m_fd; }
    // Gives the descriptor up, for a test that hands it to someone else.
    int release() { return std::exchange(m_fd, -1); }

    int port() const {
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
            fail("getsockname");
        return ntohs(bound.sin_port);
    }

    void sendTo(int port, const std::string& bytes) const {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        target.sin_port = htons(static_cast<std::uint16_t>(port));
        const ssize_t sent = ::sendto(m_fd, bytes.data(), bytes.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&target), sizeof target);
        if (sent != static_cast<ssize_t>(bytes.size()))
            fail("sendto");
    }

    bool hasIncoming() const {
        char byte = 0;
        return ::recv(m_fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) >= 0;
    }

private:
    [[noreturn]] static void fail(const char* call) {
        throw std::runtime_error(std::string(call) + ": " + std::strerror(errno));
    }

    int m_fd = -1;
};

// A port that is free at this moment: one that the system chose and that is released again.
inline int freePort() {
    TestSocket probe(TestSocket::Address::Any);
    return probe.port();
}

} // namespace zorva::transport::test
