#include "tools/paced_sending.h"

#include <thread>

namespace zorva::tools {

Pacer realPacer() {
    return {[] { return SendClock::now(); },
            [](SendClock::time_point t) { std::this_thread::sleep_until(t); }};
}

SendTotals sendPaced(const std::vector<std::string>& datagrams, std::uint64_t rounds,
                     std::optional<double> rate, const std::function<void(std::string_view)>& send,
                     const Pacer& pacer) {
    SendTotals totals;
    const SendClock::time_point start = rate ? pacer.now() : SendClock::time_point{};
    for (std::uint64_t round = 0; round < rounds; ++round) {
        for (const std::string& datagram : datagrams) {
            if (rate && totals.datagrams > 0) {
                const auto due = start + std::chrono::duration_cast<SendClock::duration>(
                                             std::chrono::duration<double>(
                                                 static_cast<double>(totals.datagrams) / *rate));
                if (pacer.now() < due)
                    pacer.sleepUntil(due);
            }
            send(datagram);
            ++totals.datagrams;
            totals.bytes += datagram.size();
        }
    }
    return totals;
}

} // namespace zorva::tools
