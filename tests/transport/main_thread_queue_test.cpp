#include "transport/main_thread_queue.h"

#include "platform/error.h"
#include "tests/transport/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zorva::transport {
namespace {

using namespace std::chrono_literals;

TEST(MainThreadQueue, RunsTheCallOnTheDrainingThreadAndReturnsAfterIt) {
    test::TestEventLoop loop;
    const auto mainThread = std::this_thread::get_id();
    std::thread::id ranOn;
    bool ran = false;
    std::atomic<bool> returned{false};
    bool ranBeforeReturn = false;

    std::thread worker([&] {
        loop.queue.runSync([&] {
            ranOn = std::this_thread::get_id();
            ran = true;
        });
        ranBeforeReturn = ran;
        returned = true;
    });
    ASSERT_TRUE(loop.waitForWakeUp());
    EXPECT_FALSE(returned) << "runSync must wait for the main thread";
    EXPECT_TRUE(loop.runUntil([&] { return ran; }));
    worker.join();

    EXPECT_EQ(ranOn, mainThread);
    EXPECT_TRUE(ranBeforeReturn);
}

TEST(MainThreadQueue, CarriesTheExceptionBackToTheWorker) {
    test::TestEventLoop loop;
    std::string caught;
    bool ran = false;

    std::thread worker([&] {
        try {
            loop.queue.runSync([&] {
                ran = true;
                throw platform::Error("'31.02.2025' is not a valid date");
            });
        } catch (const platform::Error& e) {
            caught = e.what();
        }
    });
    EXPECT_TRUE(loop.runUntil([&] { return ran; }));
    worker.join();

    EXPECT_EQ(caught, "'31.02.2025' is not a valid date");
}

TEST(MainThreadQueue, CallsFromSeveralWorkersRunOneAtATimeAndEachWorkerInOrder) {
    constexpr int workers = 4;
    constexpr int callsEach = 50;
    test::TestEventLoop loop;
    std::vector<std::vector<int>> seen(workers);
    int running = 0;
    int mostRunning = 0;
    int ran = 0;

    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < callsEach; ++i) {
                loop.queue.runSync([&, w, i] {
                    mostRunning = std::max(mostRunning, ++running);
                    seen[w].push_back(i);
                    ++ran;
                    --running;
                });
            }
        });
    }
    EXPECT_TRUE(loop.runUntil([&] { return ran == workers * callsEach; }));
    for (auto& t : threads)
        t.join();

    EXPECT_EQ(mostRunning, 1);
    for (const auto& calls : seen) {
        ASSERT_EQ(calls.size(), static_cast<std::size_t>(callsEach));
        for (int i = 0; i < callsEach; ++i)
            EXPECT_EQ(calls[i], i);
    }
}

// A pump inside a running call drains the queue again, so calls from other workers still run.
TEST(MainThreadQueue, ACallThatPumpsRunsCallsQueuedMeanwhile) {
    test::TestEventLoop loop;
    std::atomic<bool> firstRunning{false};
    std::vector<std::string> order;

    std::thread first([&] {
        loop.queue.runSync([&] {
            order.push_back("first begins");
            firstRunning = true;
            loop.runUntil([&] { return order.size() == 2; });
            order.push_back("first ends");
        });
    });
    std::thread second([&] {
        const auto giveUp = std::chrono::steady_clock::now() + 5s;
        while (!firstRunning && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
        loop.queue.runSync([&] { order.push_back("second"); });
    });
    EXPECT_TRUE(loop.runUntil([&] { return order.size() == 3; }));
    first.join();
    second.join();

    EXPECT_EQ(order, (std::vector<std::string>{"first begins", "second", "first ends"}));
}

TEST(MainThreadQueue, DrainUntilRunsQueuedCallsAndReturnsOnceTheConditionHolds) {
    MainThreadQueue queue; // drained only by drainUntil here, so no wake-up is needed
    std::atomic<bool> workerDone{false};
    int calls = 0;

    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            queue.runSync([&] { ++calls; });
        workerDone = true;
        queue.notify();
    });
    queue.drainUntil([&] { return workerDone.load(); });
    worker.join();

    EXPECT_EQ(calls, 3);
}

TEST(MainThreadQueue, DrainingAnEmptyQueueRunsNothing) {
    MainThreadQueue queue;
    EXPECT_EQ(queue.drain(), 0u);
    EXPECT_EQ(queue.waitAndDrain(10ms), 0u);
    queue.drainUntil([] { return true; });
}

} // namespace
} // namespace zorva::transport
