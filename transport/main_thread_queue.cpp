#include "transport/main_thread_queue.h"

#include <exception>
#include <utility>

namespace zorva::transport {

struct MainThreadQueue::Call {
    std::function<void()> fn;
    std::exception_ptr error;
    bool done = false;
};

MainThreadQueue::MainThreadQueue(std::function<void()> wakeMainThread)
    : m_wakeMainThread(std::move(wakeMainThread)) {}

void MainThreadQueue::runSync(const std::function<void()>& fn) {
    const auto call = std::make_shared<Call>(Call{fn, nullptr, false});
    enqueue(call);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return call->done; });
    lock.unlock();
    if (call->error)
        std::rethrow_exception(call->error);
}

void MainThreadQueue::post(std::function<void()> fn) {
    enqueue(std::make_shared<Call>(Call{std::move(fn), nullptr, false}));
}

void MainThreadQueue::enqueue(std::shared_ptr<Call> call) {
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    m_changed.notify_all();
    if (m_wakeMainThread) {
        // A failed wake-up only delays the call until the main thread drains next.
        try {
            m_wakeMainThread();
        } catch (...) {
        }
    }
}

std::size_t MainThreadQueue::drain() {
    std::size_t pending = 0;
    {
        std::lock_guard lock(m_mutex);
        pending = m_calls.size();
    }
    // Only the calls that were there at the start, so that a busy sender cannot keep the event
    // loop from its other work.
    std::size_t ran = 0;
    for (; ran < pending; ++ran) {
        std::shared_ptr<Call> call;
        {
            std::lock_guard lock(m_mutex);
            if (m_calls.empty())
                break; // a nested drain ran them
            call = m_calls.front();
            m_calls.pop_front();
        }
        try {
            call->fn();
        } catch (...) {
            call->error = std::current_exception();
        }
        {
            std::lock_guard lock(m_mutex);
            call->done = true;
        }
        m_changed.notify_all();
    }
    return ran;
}

std::size_t MainThreadQueue::waitAndDrain(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, timeout, [&] { return !m_calls.empty(); }))
            return 0;
    }
    return drain();
}

void MainThreadQueue::drainUntil(const std::function<bool()>& done) {
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_calls.empty() || done(); });
            if (m_calls.empty())
                return;
        }
        drain();
    }
}

void MainThreadQueue::notify() {
    { std::lock_guard lock(m_mutex); }
    m_changed.notify_all();
}

} // namespace zorva::transport
