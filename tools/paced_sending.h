#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorva::tools {

using SendClock = std::chrono::steady_clock;

// How the sending loop tells time; tests give it a clock of their own.
struct Pacer {
    std::function<SendClock::time_point()> now;
    std::function<void(SendClock::time_point)> sleepUntil;
};

// The steady clock and the thread's own sleep.
Pacer realPacer();

struct SendTotals {
    std::uint64_t datagrams = 0;
    std::uint64_t bytes = 0;
};

// Sends the datagrams in order, the whole list `rounds` times. With a rate, the k-th datagram
// (counting from 0) leaves no earlier than k / rate seconds after the first, on a fixed
// schedule, so that a late datagram does not push back the ones after it.
SendTotals sendPaced(const std::vector<std::string>& datagrams, std::uint64_t rounds,
                     std::optional<double> rate, const std::function<void(std::string_view)>& send,
                     const Pacer& pacer = realPacer());

} // namespace zorva::tools
