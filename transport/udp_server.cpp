#include "transport/udp_server.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <span>
#include <utility>

namespace zorva::transport {

namespace {

// The wake-up descriptor ends a wait at once on deactivation; the limit only bounds how long a
// wait that nothing ends can take.
constexpr std::chrono::milliseconds readinessWait{1000};
// After a failed wait, so that a lasting failure is reported a few times a second rather than
// in a tight loop.
constexpr std::chrono::milliseconds pauseAfterFailedWait{250};

std::string messageOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return {};
    }
}

} // namespace

struct UdpServer::ReceiveRun {
    explicit ReceiveRun(std::size_t size) : bufferSize(size) {}

    platform::SocketWaiter waiter;
    const std::size_t bufferSize;
    std::string buffer;
    std::atomic<bool> stopping{false};
    std::atomic<bool> finished{false};
    std::mutex stopMutex;
    std::condition_variable stopRequested;

    void requestStop() {
        {
            std::lock_guard lock(stopMutex);
            stopping = true;
        }
        stopRequested.notify_all();
        waiter.wake();
    }

    void pause(std::chrono::milliseconds duration) {
        std::unique_lock lock(stopMutex);
        stopRequested.wait_for(lock, duration, [&] { return stopping.load(); });
    }
};

UdpServer::UdpServer(MainThreadQueue& mainThread) : m_mainThread(mainThread) {}

UdpServer::~UdpServer() {
    try {
        setActive(false);
    } catch (...) {
    }
}

void UdpServer::setActive(bool active) {
    if (active == m_active)
        return;
    if (active)
        activate();
    else
        deactivate();
}

void UdpServer::activate() {
    if (m_bindings.empty())
        m_bindings.emplace_back();
    try {
        for (SocketBinding& binding : m_bindings) {
            binding.m_socket.close();
            binding.m_port = m_defaultPort;
            binding.m_socket = platform::UdpSocket::open();
            const platform::SocketAddress bound = binding.m_socket.bind(m_defaultPort);
            binding.m_ip = bound.ip;
            binding.m_port = bound.port;
            // Set before the receive thread starts, so that a failure here leaves no thread
            // running behind a listener that reads inactive.
            binding.m_socket.setBroadcast(m_broadcastEnabled);
        }
        auto run = std::make_unique<ReceiveRun>(m_bufferSize);
        m_thread = std::thread([this, &run = *run] { receiveLoop(run); });
        m_run = std::move(run);
    } catch (...) {
        closeSockets();
        throw;
    }
    m_active = true;
}

void UdpServer::deactivate() {
    ReceiveRun& run = *m_run;
    run.requestStop();
    // The receive thread may be waiting for an event it has queued; running it lets the
    // thread see the stop request.
    m_mainThread.drainUntil([&run] { return run.finished.load(); });
    m_thread.join();
    // Closed only now, so that the receive thread never waits on a descriptor that is closed
    // or already reused.
    closeSockets();
    m_run.reset();
    m_active = false;
}

void UdpServer::closeSockets() noexcept {
    for (SocketBinding& binding : m_bindings)
        binding.m_socket.close();
}

void UdpServer::receiveLoop(ReceiveRun& run) {
    try {
        std::vector<platform::SocketHandle> sockets;
        for (const SocketBinding& binding : m_bindings)
            sockets.push_back(binding.Handle());
        std::vector<bool> readable;
        while (!run.stopping) {
            try {
                if (!run.waiter.wait(sockets, readinessWait, readable))
                    break;
            } catch (...) {
                if (run.stopping)
                    break;
                // Ending here would leave a listener that reads active and receives nothing.
                reportFailure(m_bindings.front(), std::current_exception());
                run.pause(pauseAfterFailedWait);
                continue;
            }
            for (std::size_t i = 0; i < sockets.size() && !run.stopping; ++i)
                if (readable[i])
                    receiveOne(run, m_bindings[i]);
        }
    } catch (...) {
        // Only running out of memory gets here; the thread must still end cleanly.
    }
    run.finished = true;
    m_mainThread.notify();
}

void UdpServer::receiveOne(ReceiveRun& run, SocketBinding& binding) {
    try {
        run.buffer.resize(run.bufferSize);
        platform::SocketAddress sender;
        const auto received =
            binding.m_socket.receiveFrom(std::span(run.buffer.data(), run.buffer.size()), sender);
        if (!received)
            return;
        run.buffer.resize(*received);
        // The binding is written on the main thread only, so that handlers read it safely.
        m_mainThread.runSync([&] {
            binding.m_peerIp = std::move(sender.ip);
            binding.m_peerPort = sender.port;
            if (OnUDPRead)
                OnUDPRead(*this, run.buffer, binding);
        });
    } catch (...) {
        reportFailure(binding, std::current_exception());
    }
}

void UdpServer::reportFailure(SocketBinding& binding, const std::exception_ptr& error) {
    try {
        const std::string message = messageOf(error);
        m_mainThread.runSync([&] {
            if (OnUDPException)
                OnUDPException(*this, binding, message, error);
        });
    } catch (...) {
        // A failure of the exception event itself has nowhere further to go.
    }
}

} // namespace zorva::transport
