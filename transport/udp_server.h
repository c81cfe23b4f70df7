#pragma once

#include "platform/udp_socket.h"
#include "transport/main_thread_queue.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zorva::transport {

class UdpServer;

// One socket of the listener: its local address once bound, and the sender of the datagram
// being handled.
class SocketBinding {
public:
    platform::SocketHandle Handle() const { return m_socket.handle(); }
    const std::string& IP() const { return m_ip; } // empty until bound: any address
    int Port() const { return m_port; }
    const std::string& PeerIP() const { return m_peerIp; }
    int PeerPort() const { return m_peerPort; }

private:
    friend class UdpServer;
    platform::UdpSocket m_socket;
    std::string m_ip;
    int m_port = 0;
    std::string m_peerIp;
    int m_peerPort = 0;
};

// The check-in listener: one IPv4 UDP socket on every local address and one receive thread that
// hands each datagram, whole and unchanged, to OnUDPRead on the main thread through the queue.
// Everything here is called on the main thread, and the events run there, one at a time, in
// receive order. Nothing is ever sent.
//
// The receive thread does not wait for the main thread: it keeps taking datagrams off the socket
// into a queue of the listener's own, so that a burst that arrives while a handler runs waits
// there instead of overflowing the socket's small buffer. What the queue cannot hold, and what
// the system reports it dropped, is counted and told through OnDatagramsLost, once per burst.
class UdpServer {
public:
    // data holds exactly the bytes received (0 to BufferSize of them); binding carries the sender.
    using ReadEvent = std::function<void(UdpServer& sender, const std::string& data,
                                         const SocketBinding& binding)>;
    // Runs for a datagram that could not be received or whose read event threw; error is what
    // was thrown. Whatever it throws itself is dropped.
    using ExceptionEvent =
        std::function<void(UdpServer& sender, const SocketBinding& binding,
                           const std::string& message, const std::exception_ptr& error)>;

    // Runs once a burst in which datagrams were lost has passed (or every few seconds while it
    // lasts), with the number lost since the last time it ran.
    using LossEvent = std::function<void(UdpServer& sender, std::uint64_t lost)>;

    static constexpr std::size_t defaultBufferSize = 8192;
    // What the listener holds of datagrams received and not yet handled.
    static constexpr std::size_t defaultQueueDatagrams = 10'000;
    static constexpr std::size_t defaultQueueBytes = 16 * 1024 * 1024;

    // The queue must outlive the listener.
    explicit UdpServer(MainThreadQueue& mainThread);
    ~UdpServer();
    UdpServer(const UdpServer&) = delete;
    UdpServer& operator=(const UdpServer&) = delete;

    bool Active() const { return m_active; }
    // Activating binds DefaultPort as it is at that moment and throws CouldNotBindSocketError or
    // SocketError when it cannot, leaving the listener inactive. Deactivating returns once the
    // receive thread has ended, after running the events of every datagram it had already
    // received, in order; done from inside an event, it drops them and tells how many. Either
    // does nothing when the listener is already in that state.
    void setActive(bool active);

    std::int32_t DefaultPort() const { return m_defaultPort; }
    void setDefaultPort(std::int32_t port) { m_defaultPort = port; } // for the next activation
    bool BroadcastEnabled() const { return m_broadcastEnabled; }
    void setBroadcastEnabled(bool enabled) { m_broadcastEnabled = enabled; }
    std::size_t BufferSize() const { return m_bufferSize; }
    void setBufferSize(std::size_t size) { m_bufferSize = size; } // for the next activation
    // For the next activation: how many datagrams, and how many bytes of them, may wait.
    void setQueueLimits(std::size_t datagrams, std::size_t bytes) {
        m_queueDatagrams = datagrams;
        m_queueBytes = bytes;
    }
    // Datagrams received and waiting for their events.
    std::size_t waitingDatagrams() const;
    // Stays in place while active; the sockets are closed when inactive.
    const std::vector<SocketBinding>& Bindings() const { return m_bindings; }

    ReadEvent OnUDPRead;
    ExceptionEvent OnUDPException;
    LossEvent OnDatagramsLost;

private:
    struct Inbox;
    struct Entry;
    struct ReceiveRun;

    void activate();
    void deactivate();
    void closeSockets() noexcept;
    void receiveLoop(ReceiveRun& run);
    void receiveBatch(ReceiveRun& run, std::size_t index);
    void noteSystemDrops(ReceiveRun& run, std::size_t index, bool refresh);
    static void deliverNext(MainThreadQueue& mainThread, const std::shared_ptr<Inbox>& inbox);
    void handle(Entry& entry);
    void runExceptionEvent(SocketBinding& binding, const std::exception_ptr& error);
    void runLossEvent(std::uint64_t lost);

    MainThreadQueue& m_mainThread;
    bool m_active = false;
    std::int32_t m_defaultPort = 0;
    bool m_broadcastEnabled = true;
    std::size_t m_bufferSize = defaultBufferSize;
    std::size_t m_queueDatagrams = defaultQueueDatagrams;
    std::size_t m_queueBytes = defaultQueueBytes;
    std::vector<SocketBinding> m_bindings;
    std::shared_ptr<Inbox> m_inbox;
    std::unique_ptr<ReceiveRun> m_run;
    std::thread m_thread;
    bool m_delivering = false;
};

} // namespace zorva::transport
