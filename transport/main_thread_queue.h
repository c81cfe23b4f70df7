#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace zorva::transport {

// Lets worker threads have the main thread run a call and wait for it. The main thread runs the
// queued calls from its event loop (woken through the callback), inside every pump, and while it
// waits for a worker to end, so calls run one at a time, in the order they were queued.
class MainThreadQueue {
public:
    // wakeMainThread is called from the worker after each call is queued; it must make the main
    // thread call drain() soon (a toolkit posts an event to itself). It may be empty when the
    // main thread drains by other means.
    explicit MainThreadQueue(std::function<void()> wakeMainThread = {});
    MainThreadQueue(const MainThreadQueue&) = delete;
    MainThreadQueue& operator=(const MainThreadQueue&) = delete;

    // Worker threads only. Returns once the main thread has run fn, and throws again what fn
    // threw, so that the worker's own guard sees it.
    void runSync(const std::function<void()>& fn);

    // Any thread. Has the main thread run fn in its turn, without waiting for it; fn must
    // catch what it throws, since nobody waits to see it.
    void post(std::function<void()> fn);

    // Main thread. Runs the calls queued before it began, oldest first, and returns how many ran.
    // A call may itself drain; that runs calls queued after it.
    std::size_t drain();

    // Main thread. Waits up to timeout for a call to be queued, then drains.
    std::size_t waitAndDrain(std::chrono::milliseconds timeout);

    // Main thread. Keeps running calls as they are queued until done() holds. done() is checked
    // with the queue locked, whenever a call was queued or notify() was called, so it must be
    // cheap and must not use the queue.
    void drainUntil(const std::function<bool()>& done);

    // Any thread: makes a waiting drainUntil() check its condition again.
    void notify();

private:
    struct Call;
    void enqueue(std::shared_ptr<Call> call);

    std::function<void()> m_wakeMainThread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Call>> m_calls;
};

} // namespace zorva::transport
