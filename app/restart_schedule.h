#pragma once

#include <chrono>
#include <optional>

namespace zorva::app {

// When to start the encoder's library again after it failed, so that a library that dies at
// every start cannot make the bridge spin: at once after a run in which it served a card, and
// otherwise no sooner than 10 s after the last start, twice as long after each further failure,
// up to 5 minutes.
class RestartSchedule {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds shortestGap{10};
    static constexpr std::chrono::minutes longestGap{5};

    // The lock system was started (the library runs).
    void started(Clock::time_point now);
    // A card request got its answer: the library works.
    void served() { m_failuresInRow = 0; }
    // The library failed at `now`: how long to wait before the next start.
    Clock::duration afterFailure(Clock::time_point now);

private:
    std::optional<Clock::time_point> m_lastStart;
    int m_failuresInRow = 0;
};

} // namespace zorva::app
