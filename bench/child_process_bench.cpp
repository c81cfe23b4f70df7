// One request and its answer through a child's pipes, as the lock host will carry each call:
// /bin/cat stands in for the host, answering every byte as it comes.

#include "bench/bench_support.h"
#include "platform/child_process.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace zorva::bench {
namespace {

using Clock = std::chrono::steady_clock;

void BM_PipeRoundTrip(benchmark::State& state) {
    platform::ChildProcess child = platform::ChildProcess::start("/bin/cat", {"cat"});
    std::vector<std::uint8_t> request(static_cast<std::size_t>(state.range(0)), 0x5A);
    std::vector<std::uint8_t> answer(request.size());
    std::vector<double> us;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!child.write(request) || child.read(answer, std::chrono::seconds(5)) !=
                                         platform::ChildProcess::ReadOutcome::Read) {
            state.SkipWithError("the child did not answer");
            break;
        }
        const std::chrono::duration<double> took = Clock::now() - start;
        state.SetIterationTime(took.count());
        us.push_back(took.count() * 1e6);
    }
    if (us.empty())
        return;
    state.counters["median_us"] = percentile(us, 0.5);
    state.counters["p99_us"] = percentile(us, 0.99);
}
BENCHMARK(BM_PipeRoundTrip)
    ->Arg(64)
    ->Arg(4096)
    ->UseManualTime()
    ->Iterations(20'000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace zorva::bench
