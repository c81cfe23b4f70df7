// The record of cards: what one card's line costs, on the disk (where each line waits until it
// is on it) and in memory, and how large a busy hotel's files grow in a year.

#include "app/card_record.h"
#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace zorva::bench {
namespace {

// A busy hotel: this many cards a day, the year round.
constexpr int cardsPerDay = 300;

// The card asked for at that number of the year: rooms of the table and a few suites with
// Turkish names, a front office or two on the hotel's network, most cards made and a few
// refused or for rooms that are not in the table.
app::CardRecordEntry cardOfTheYear(int n) {
    static const std::string suites[] = {"Kral Dairesi", "Deniz Manzaral\xFD S\xFCit",
                                         "Bah\xE7"
                                         "e Kat\xFD 3",
                                         "\xC7"
                                         "at\xFD Kat\xFD K\xF6\xFE"
                                         "e"};
    app::CardRecordEntry entry;
    platform::DateTime first;
    platform::DateTime::tryDate(2025, 1, 1, first);
    // Spread over the day from 08:00 to 22:00.
    constexpr std::int64_t hour = 3'600'000;
    const std::int64_t day = n / cardsPerDay, inDay = n % cardsPerDay;
    entry.localTime = platform::DateTime::fromMilliseconds(
        first.milliseconds() + day * platform::DateTime::msPerDay + 8 * hour +
        inDay * (14 * hour / cardsPerDay));
    entry.senderAddress = n % 3 == 0 ? "192.168.1.12" : "192.168.1.105";
    entry.senderPort = 49152 + n * 31 % 16000;
    entry.roomName =
        n % 10 == 0 ? suites[n / 10 % 4] : "Oda " + std::to_string(1 + n * 13 % roomCount);
    if (n % 50 == 7) {
        entry.outcome = "tanımsız oda";
        return entry;
    }
    entry.lockAddress = {{1, static_cast<std::uint8_t>(1 + n % 3),
                          static_cast<std::uint8_t>(1 + n % 9),
                          static_cast<std::uint8_t>(1 + n % 40)}};
    entry.checkIn = "202501011400";
    entry.checkOut = "202501031200";
    entry.result = n % 40 == 3 ? std::int16_t{-3} : std::int16_t{0};
    entry.outcome = *entry.result == 0 ? "kart" : "reddedildi";
    return entry;
}

const char* baseOf(const benchmark::State& state) {
    return state.range(0) ? "/dev/shm" : "/tmp";
}

void BM_RecordOneCard(benchmark::State& state) {
    ScratchFolder folder(baseOf(state));
    app::CardRecord record(folder.path() + "/");
    int n = 0;
    for (auto _ : state)
        if (!record.append(cardOfTheYear(n++ % (cardsPerDay * 28))))
            state.SkipWithError(record.failure().c_str());
}
BENCHMARK(BM_RecordOneCard)->ArgName("memory")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A year of a busy hotel's cards, in memory: the twelve files' bytes in all, and the largest.
void BM_RecordAYear(benchmark::State& state) {
    constexpr int cards = cardsPerDay * 365;
    std::uintmax_t total = 0, largest = 0;
    for (auto _ : state) {
        ScratchFolder folder("/dev/shm");
        app::CardRecord record(folder.path() + "/");
        for (int n = 0; n < cards; ++n)
            if (!record.append(cardOfTheYear(n)))
                state.SkipWithError(record.failure().c_str());
        total = largest = 0;
        for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
            total += file.file_size();
            largest = std::max(largest, file.file_size());
        }
    }
    state.counters["yearKB"] = static_cast<double>(total) / 1024;
    state.counters["largestMonthKB"] = static_cast<double>(largest) / 1024;
    state.counters["bytesPerCard"] = static_cast<double>(total) / cards;
}
BENCHMARK(BM_RecordAYear)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zorva::bench
