#include "app/restart_schedule.h"

#include <algorithm>

namespace zorva::app {

void RestartSchedule::started(Clock::time_point now) {
    m_lastStart = now;
}

RestartSchedule::Clock::duration RestartSchedule::afterFailure(Clock::time_point now) {
    const int failures = m_failuresInRow++;
    if (failures == 0 || !m_lastStart)
        return Clock::duration::zero();
    Clock::duration gap = shortestGap;
    for (int i = 1; i < failures && gap < longestGap; ++i)
        gap *= 2;
    gap = std::min<Clock::duration>(gap, longestGap);
    return std::max(Clock::duration::zero(), *m_lastStart + gap - now);
}

} // namespace zorva::app
