#pragma once

#include "tests/support/test_socket.h"
#include "transport/main_thread_queue.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
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

using zorva::testing::freePort;
using zorva::testing::TestSocket;

} // namespace zorva::transport::test
