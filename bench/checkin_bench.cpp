// The check-in path: decoding and lookup alone, then through the real listener, the hand-off and
// the lock host over loopback, one datagram at a time for latency and many at once for
// throughput.

#include "app/integration_core.h"
#include "bench/bench_support.h"
#include "lock/hosted_lock_library.h"
#include "platform/date_time.h"
#include "transport/main_thread_queue.h"
#include "transport/udp_server.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zorva::bench {
namespace {

using Clock = std::chrono::steady_clock;

platform::DateTime fixedNow() {
    return platform::DateTime::fromMilliseconds(45'867LL * platform::DateTime::msPerDay);
}

// Takes the request and answers at once: the path without the encoder.
class NoLibrary final : public lock::LockLibrary {
public:
    std::int16_t initializeSystem(std::int16_t) override { return 0; }
    std::int16_t setAuthCode(const lock::AuthCode&, const lock::SectorArguments&) override {
        return 0;
    }
    std::int16_t issueGuestCard(lock::GuestCardRequest& r) override {
        benchmark::DoNotOptimize(r);
        ++issued;
        return 0;
    }
    void freeSystem() override {}
    void beepOk() override {}
    void beepFailure() override { ++failures; }
    std::int64_t issued = 0;
    std::int64_t failures = 0;
};

// The stand-in encoder in its host, as the program has it, noting the moment the answer to
// each LV4_IssueGuestCard came back: the datagram's whole way to the library and back again.
class StampingLibrary final : public lock::LockLibrary {
public:
    StampingLibrary() { m_lock.start(); }
    std::int16_t initializeSystem(std::int16_t t) override { return m_lock.initializeSystem(t); }
    std::int16_t setAuthCode(const lock::AuthCode& c, const lock::SectorArguments& s) override {
        return m_lock.setAuthCode(c, s);
    }
    std::int16_t issueGuestCard(lock::GuestCardRequest& r) override {
        entered = Clock::now();
        const std::int16_t result = m_lock.issueGuestCard(r);
        answered = Clock::now();
        issued.fetch_add(1, std::memory_order_release);
        return result;
    }
    void freeSystem() override { m_lock.freeSystem(); }
    void beepOk() override { m_lock.beepOk(); }
    void beepFailure() override {
        ++failures;
        m_lock.beepFailure();
    }
    Clock::time_point entered;
    Clock::time_point answered;
    std::atomic<std::int64_t> issued{0};
    std::int64_t failures = 0;

private:
    lock::HostedLockLibrary m_lock{ZORVA_LOCK_HOST};
};

// One call to the library and its answer: the two pipe hops that the host adds to each call.
void BM_HostRoundTrip(benchmark::State& state) {
    QuietStandardError quiet;
    unsetenv("LEVELLOCK_JOURNAL");
    lock::HostedLockLibrary host{ZORVA_LOCK_HOST};
    host.start();
    for (auto _ : state)
        host.beepOk();
}
BENCHMARK(BM_HostRoundTrip)->Unit(benchmark::kMicrosecond);

void BM_CheckinPathWithoutTheLibrary(benchmark::State& state) {
    auto rooms = makeRooms();
    NoLibrary lock;
    app::Log log;
    app::IntegrationCore core(lock, *rooms, log, platform::FormatSettings::turkish(), fixedNow);
    core.FSystemStarted = true;
    const std::string datagram = checkinFor(lastRoomName());
    for (auto _ : state) {
        // As after a check-in for any other room: the lookup runs through the whole table.
        rooms->first();
        core.IdUDPServer1UDPRead(datagram);
    }
    if (lock.issued != static_cast<std::int64_t>(state.iterations()) || lock.failures != 0)
        state.SkipWithError("not every datagram became a request");
}
BENCHMARK(BM_CheckinPathWithoutTheLibrary);

int loopbackSocket(int port = 0) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port == 0)
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    else
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

int portOf(int fd) {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    return ntohs(bound.sin_port);
}

// The listener, the hand-off and the core as the program wires them; the calling thread is
// the main thread and runs the handlers.
struct Bridge {
    explicit Bridge(lock::LockLibrary& lock)
        : core(lock, *rooms, log, platform::FormatSettings::turkish(), fixedNow) {
        core.FSystemStarted = true;
        server.OnUDPRead = [this](transport::UdpServer&, const std::string& data,
                                  const transport::SocketBinding&) {
            core.IdUDPServer1UDPRead(data);
        };
        server.setActive(true);
        sender = loopbackSocket(server.Bindings().at(0).Port());
    }
    ~Bridge() {
        server.setActive(false);
        ::close(sender);
    }
    void send(const std::string& datagram) const {
        ::send(sender, datagram.data(), datagram.size(), 0);
    }

    std::unique_ptr<rooms::MemoryDataSet> rooms = makeRooms();
    app::Log log;
    app::IntegrationCore core;
    transport::MainThreadQueue queue;
    transport::UdpServer server{queue};
    int sender = -1;
};

// A receiver that only notes when each datagram arrives: what loopback itself costs.
class BareReceiver {
public:
    BareReceiver() : m_fd(loopbackSocket()), m_sender(loopbackSocket(portOf(m_fd))) {
        m_thread = std::thread([this] { run(); });
    }
    ~BareReceiver() {
        m_stop = true;
        send("");
        m_thread.join();
        ::close(m_fd);
        ::close(m_sender);
    }
    void send(const std::string& datagram) const {
        ::send(m_sender, datagram.data(), datagram.size(), 0);
    }
    Clock::time_point waitForArrival() {
        std::unique_lock lock(m_mutex);
        m_arrived.wait(lock, [&] { return m_seen; });
        m_seen = false;
        return m_at;
    }

private:
    void run() {
        std::vector<char> buffer(8192);
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) != 1 || ::recv(m_fd, buffer.data(), buffer.size(), 0) < 0)
                continue;
            const auto now = Clock::now();
            {
                std::lock_guard lock(m_mutex);
                m_at = now;
                m_seen = true;
            }
            m_arrived.notify_one();
        }
    }

    int m_fd, m_sender;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    bool m_seen = false;
    Clock::time_point m_at;
    std::thread m_thread;
};

void BM_LoopbackLatency(benchmark::State& state) {
    QuietStandardError quiet;
    unsetenv("LEVELLOCK_JOURNAL");
    StampingLibrary lock;
    Bridge bridge(lock);
    BareReceiver bare;
    const std::string datagram = checkinFor(lastRoomName());
    std::vector<double> bridgeUs, bareUs, hopUs;
    for (auto _ : state) {
        auto start = Clock::now();
        bare.send(datagram);
        bareUs.push_back(
            std::chrono::duration<double, std::micro>(bare.waitForArrival() - start).count());

        bridge.rooms->first();
        const std::int64_t before = lock.issued.load();
        start = Clock::now();
        bridge.send(datagram);
        const auto deadline = start + std::chrono::seconds(5);
        while (lock.issued.load(std::memory_order_acquire) == before && Clock::now() < deadline)
            bridge.queue.waitAndDrain(std::chrono::milliseconds(100));
        if (lock.issued.load() == before) {
            state.SkipWithError("a datagram was lost");
            break;
        }
        const std::chrono::duration<double> took = lock.answered - start;
        state.SetIterationTime(took.count());
        bridgeUs.push_back(took.count() * 1e6);
        hopUs.push_back(
            std::chrono::duration<double, std::micro>(lock.answered - lock.entered).count());
    }
    if (bridgeUs.empty())
        return;
    state.counters["median_us"] = percentile(bridgeUs, 0.5);
    state.counters["p99_us"] = percentile(bridgeUs, 0.99);
    state.counters["bare_median_us"] = percentile(bareUs, 0.5);
    state.counters["bare_p99_us"] = percentile(bareUs, 0.99);
    state.counters["ratio_to_bare"] = percentile(bridgeUs, 0.5) / percentile(bareUs, 0.5);
    state.counters["hop_median_us"] = percentile(hopUs, 0.5);
}
BENCHMARK(BM_LoopbackLatency)->UseManualTime()->Iterations(20'000)->Unit(benchmark::kMicrosecond);

// As many check-ins as the program takes, with no more in flight than the socket's buffer
// holds, so that none is dropped; with and without the stand-in's journal file.
void BM_Throughput(benchmark::State& state) {
    QuietStandardError quiet;
    ScratchFolder folder;
    if (state.range(0))
        setenv("LEVELLOCK_JOURNAL", folder.file("journal.txt").c_str(), 1);
    else
        unsetenv("LEVELLOCK_JOURNAL");
    StampingLibrary lock;
    Bridge bridge(lock);
    constexpr int batch = 2'000, window = 64;
    std::vector<std::string> datagrams;
    for (int i = 0; i < batch; ++i)
        datagrams.push_back(checkinFor("Oda " + std::to_string(1 + (i * 37) % roomCount), i));

    for (auto _ : state) {
        const std::int64_t first = lock.issued.load();
        std::thread sender([&] {
            for (int i = 0; i < batch; ++i) {
                while (i - (lock.issued.load(std::memory_order_acquire) - first) >= window)
                    std::this_thread::sleep_for(std::chrono::microseconds(20));
                bridge.send(datagrams[static_cast<std::size_t>(i)]);
            }
        });
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (lock.issued.load() - first < batch && Clock::now() < deadline)
            bridge.queue.waitAndDrain(std::chrono::milliseconds(100));
        sender.join();
        if (lock.issued.load() - first < batch) {
            state.SkipWithError("check-ins were lost");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
    unsetenv("LEVELLOCK_JOURNAL");
}
BENCHMARK(BM_Throughput)
    ->ArgName("journal")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zorva::bench
