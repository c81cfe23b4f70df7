#include "transport/udp_server.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <utility>

namespace zorva::transport {

namespace {

using Clock = std::chrono::steady_clock;

// The wake-up descriptor ends a wait at once on deactivation; the limit only bounds how long a
// wait that nothing ends can take, and a wait that runs out tells that the burst is over.
constexpr std::chrono::milliseconds readinessWait{1000};
// After a failed wait, so that a lasting failure is reported a few times a second rather than
// in a tight loop.
constexpr std::chrono::milliseconds pauseAfterFailedWait{250};
// A flood that never pauses still has its losses told this often.
constexpr std::chrono::seconds lossReportInterval{10};
// What the system is asked to hold of a burst before the receive thread gets to it.
constexpr int receiveBufferBytes = 4 * 1024 * 1024;
// Datagrams taken off one socket before the others get their turn.
constexpr int batchSize = 256;
// What a waiting datagram costs beside its bytes, counted against the byte limit.
constexpr std::size_t entryOverhead = 64;

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

struct UdpServer::Entry {
    enum class Kind { Datagram, Failure, Loss };
    Kind kind = Kind::Datagram;
    std::size_t binding = 0;
    std::string data;
    platform::SocketAddress sender;
    std::exception_ptr error;
    std::uint64_t lost = 0;
};

// What the receive thread has taken in and the main thread not yet handled, in receive order.
// The calls posted to deliver it hold it too, so that one still queued after the listener has
// let go of it finds it closed and does nothing.
struct UdpServer::Inbox : std::enable_shared_from_this<Inbox> {
    Inbox(UdpServer& owner, MainThreadQueue& queue, std::size_t datagramLimit,
          std::size_t byteLimit)
        : server(&owner), mainThread(queue), maxDatagrams(datagramLimit), maxBytes(byteLimit) {}

    // Receive thread. False, and nothing kept, when the limits do not allow it. What tells of
    // a loss is always kept, and is no datagram.
    bool push(Entry entry) {
        const bool counted = entry.kind != Entry::Kind::Loss;
        const std::size_t cost = counted ? entry.data.size() + entryOverhead : 0;
        bool post = false;
        {
            std::lock_guard lock(mutex);
            if (counted && (datagrams >= maxDatagrams || bytes + cost > maxBytes))
                return false;
            datagrams += counted;
            bytes += cost;
            entries.push_back(std::move(entry));
            // One delivery at a time is posted; it posts the next when it is done.
            post = !deliveryPosted;
            deliveryPosted = true;
        }
        if (post)
            postDelivery();
        return true;
    }

    // Main thread. The oldest entry, or nothing when all are handled.
    std::optional<Entry> pop() {
        std::lock_guard lock(mutex);
        if (entries.empty()) {
            deliveryPosted = false;
            return std::nullopt;
        }
        Entry entry = std::move(entries.front());
        entries.pop_front();
        if (entry.kind != Entry::Kind::Loss) {
            --datagrams;
            bytes -= entry.data.size() + entryOverhead;
        }
        return entry;
    }

    // Main thread, after a delivery: posts the next one while entries wait.
    void deliveryDone() {
        {
            std::lock_guard lock(mutex);
            if (entries.empty()) {
                deliveryPosted = false;
                return;
            }
        }
        postDelivery();
    }

    void postDelivery() {
        mainThread.post([self = shared_from_this()] { deliverNext(self->mainThread, self); });
    }

    std::mutex mutex;
    std::deque<Entry> entries;
    std::size_t datagrams = 0;
    std::size_t bytes = 0;
    bool deliveryPosted = false;
    UdpServer* server; // main thread only; null once the listener has let go
    MainThreadQueue& mainThread;
    const std::size_t maxDatagrams;
    const std::size_t maxBytes;
};

struct UdpServer::ReceiveRun {
    ReceiveRun(std::size_t size, std::shared_ptr<Inbox> box, std::size_t sockets)
        : bufferSize(size), inbox(std::move(box)), dropsSeen(sockets, 0) {}

    platform::SocketWaiter waiter;
    const std::size_t bufferSize;
    std::string buffer;
    const std::shared_ptr<Inbox> inbox;
    std::atomic<bool> stopping{false};
    std::mutex stopMutex;
    std::condition_variable stopRequested;
    // Receive thread only.
    std::vector<std::uint32_t> dropsSeen;
    std::uint64_t unreportedLoss = 0;
    Clock::time_point firstLoss;

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

    void noteLoss(std::uint64_t count) {
        if (unreportedLoss == 0)
            firstLoss = Clock::now();
        unreportedLoss += count;
    }

    void reportLoss() {
        Entry entry;
        entry.kind = Entry::Kind::Loss;
        entry.lost = std::exchange(unreportedLoss, 0);
        inbox->push(std::move(entry));
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
            binding.m_socket.requestReceiveBuffer(receiveBufferBytes);
            binding.m_socket.reportDrops();
        }
        auto inbox = std::make_shared<Inbox>(*this, m_mainThread, m_queueDatagrams, m_queueBytes);
        auto run = std::make_unique<ReceiveRun>(m_bufferSize, inbox, m_bindings.size());
        m_thread = std::thread([this, &run = *run] { receiveLoop(run); });
        m_run = std::move(run);
        m_inbox = std::move(inbox);
    } catch (...) {
        closeSockets();
        throw;
    }
    m_active = true;
}

void UdpServer::deactivate() {
    m_run->requestStop();
    // The receive thread never waits for this one, so it ends at once.
    m_thread.join();
    closeSockets();
    m_run.reset();
    m_active = false;
    const std::shared_ptr<Inbox> inbox = std::move(m_inbox);
    if (m_delivering) {
        // Handled here, these would run inside the event still running.
        std::uint64_t dropped = 0;
        while (const auto entry = inbox->pop())
            dropped += entry->kind == Entry::Kind::Loss ? entry->lost : 1;
        inbox->server = nullptr;
        if (dropped > 0)
            runLossEvent(dropped);
        return;
    }
    // What reached the listener is handled before it reads closed, as the events it would have
    // run next.
    m_delivering = true;
    while (auto entry = inbox->pop())
        handle(*entry);
    m_delivering = false;
    inbox->server = nullptr;
}

std::size_t UdpServer::waitingDatagrams() const {
    if (!m_inbox)
        return 0;
    std::lock_guard lock(m_inbox->mutex);
    return m_inbox->datagrams;
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
                Entry failure;
                failure.kind = Entry::Kind::Failure;
                failure.error = std::current_exception();
                run.inbox->push(std::move(failure));
                run.pause(pauseAfterFailedWait);
                continue;
            }
            bool received = false;
            for (std::size_t i = 0; i < sockets.size() && !run.stopping; ++i) {
                if (readable[i]) {
                    receiveBatch(run, i);
                    received = true;
                }
            }
            if (!received)
                for (std::size_t i = 0; i < sockets.size(); ++i)
                    noteSystemDrops(run, i, true);
            // A wait that ran out means the burst is over; one line tells all it cost.
            if (run.unreportedLoss > 0 &&
                (!received || Clock::now() - run.firstLoss >= lossReportInterval))
                run.reportLoss();
        }
        for (std::size_t i = 0; i < sockets.size(); ++i)
            noteSystemDrops(run, i, true);
        if (run.unreportedLoss > 0)
            run.reportLoss();
    } catch (...) {
        // Only running out of memory gets here; the thread must still end cleanly.
    }
}

void UdpServer::receiveBatch(ReceiveRun& run, std::size_t index) {
    platform::UdpSocket& socket = m_bindings[index].m_socket;
    for (int n = 0; n < batchSize && !run.stopping; ++n) {
        Entry entry;
        entry.binding = index;
        try {
            run.buffer.resize(run.bufferSize);
            const auto received =
                socket.receiveFrom(std::span(run.buffer.data(), run.buffer.size()), entry.sender);
            noteSystemDrops(run, index, false);
            if (!received)
                return;
            // Copied at its own length: a buffer-sized string for each waiting datagram would
            // cost the whole buffer each.
            entry.data.assign(run.buffer.data(), *received);
        } catch (...) {
            // An oversized datagram, or a socket failure: told in its turn, if there is room.
            entry.kind = Entry::Kind::Failure;
            entry.error = std::current_exception();
            run.inbox->push(std::move(entry));
            return;
        }
        if (!run.inbox->push(std::move(entry)))
            run.noteLoss(1);
    }
}

void UdpServer::noteSystemDrops(ReceiveRun& run, std::size_t index, bool refresh) {
    platform::UdpSocket& socket = m_bindings[index].m_socket;
    if (refresh)
        socket.refreshDrops();
    if (const auto drops = socket.dropsSoFar(); drops && *drops != run.dropsSeen[index]) {
        run.noteLoss(static_cast<std::uint32_t>(*drops - run.dropsSeen[index]));
        run.dropsSeen[index] = *drops;
    }
}

void UdpServer::deliverNext(MainThreadQueue& mainThread, const std::shared_ptr<Inbox>& inbox) {
    UdpServer* server = inbox->server;
    if (!server)
        return;
    if (server->m_delivering) {
        // An event that lets pending calls through must not start the next event inside it.
        mainThread.post([&mainThread, inbox] { deliverNext(mainThread, inbox); });
        return;
    }
    auto entry = inbox->pop();
    if (!entry)
        return;
    server->m_delivering = true;
    server->handle(*entry);
    server->m_delivering = false;
    if (inbox->server)
        inbox->deliveryDone();
}

void UdpServer::handle(Entry& entry) {
    SocketBinding& binding = m_bindings[entry.binding];
    switch (entry.kind) {
    case Entry::Kind::Datagram:
        binding.m_peerIp = std::move(entry.sender.ip);
        binding.m_peerPort = entry.sender.port;
        try {
            if (OnUDPRead)
                OnUDPRead(*this, entry.data, binding);
        } catch (...) {
            runExceptionEvent(binding, std::current_exception());
        }
        return;
    case Entry::Kind::Failure:
        runExceptionEvent(binding, entry.error);
        return;
    case Entry::Kind::Loss:
        runLossEvent(entry.lost);
        return;
    }
}

void UdpServer::runExceptionEvent(SocketBinding& binding, const std::exception_ptr& error) {
    try {
        if (OnUDPException)
            OnUDPException(*this, binding, messageOf(error), error);
    } catch (...) {
        // A failure of the exception event itself has nowhere further to go.
    }
}

void UdpServer::runLossEvent(std::uint64_t lost) {
    try {
        if (OnDatagramsLost)
            OnDatagramsLost(*this, lost);
    } catch (...) {
    }
}

} // namespace zorva::transport
