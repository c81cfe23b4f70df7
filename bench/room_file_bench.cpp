// Saving and loading the room file of 1,749 rooms, on the disk (where every save waits for the
// data to be on it) and in memory (what the same work costs without the disk).

#include "bench/bench_support.h"
#include "rooms/data_set_ini.h"
#include "rooms/room_table.h"

#include <benchmark/benchmark.h>

namespace zorva::bench {
namespace {

const char* baseOf(const benchmark::State& state) {
    return state.range(0) ? "/dev/shm" : "/tmp";
}

void BM_SaveRoomFile(benchmark::State& state) {
    ScratchFolder folder(baseOf(state));
    auto rooms = makeRooms();
    const std::string path = folder.file("Odalar.ini");
    for (auto _ : state)
        rooms::SaveDataSetToIni(*rooms, path);
}
BENCHMARK(BM_SaveRoomFile)->ArgName("memory")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadRoomFile(benchmark::State& state) {
    ScratchFolder folder(baseOf(state));
    auto rooms = makeRooms();
    const std::string path = folder.file("Odalar.ini");
    rooms::SaveDataSetToIni(*rooms, path);
    auto loaded = rooms::makeRoomTable();
    loaded->setFormatSettings(rooms->formatSettings());
    for (auto _ : state)
        rooms::LoadDataSetFromIni(*loaded, path);
    if (loaded->recordCount() != roomCount)
        state.SkipWithError("the file did not load whole");
}
BENCHMARK(BM_LoadRoomFile)->ArgName("memory")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zorva::bench
