#include "bench/bench_support.h"

#include "platform/format_settings.h"
#include "rooms/room_table.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace zorva::bench {

double percentile(std::vector<double> samples, double p) {
    std::sort(samples.begin(), samples.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[at];
}

std::unique_ptr<rooms::MemoryDataSet> makeRooms(int count) {
    auto table = rooms::makeRoomTable();
    table->setFormatSettings(platform::FormatSettings::turkish());
    table->open();
    for (int room = 1; room <= count; ++room) {
        table->append();
        table->field("ALAN").setAsInteger(1 + room % 3);
        table->field("BINA").setAsInteger(1 + room / 400);
        table->field("KAT").setAsInteger(1 + (room / 20) % 20);
        table->field("ODA").setAsInteger(room % 250);
        table->field("ODA_STR").setAsString("Oda " + std::to_string(room));
        table->post();
    }
    table->first();
    return table;
}

std::string checkinFor(const std::string& room, int variant) {
    const int day = 1 + variant % 28;
    const std::string dd = (day < 10 ? "0" : "") + std::to_string(day);
    return "CIN=" + dd + ".07.2025 14:00^COUT=" + dd + ".08.2025 12:00^ODA=" + room;
}

std::string lastRoomName() {
    return "Oda " + std::to_string(roomCount);
}

QuietStandardError::QuietStandardError() {
    std::fflush(stderr);
    m_saved = ::dup(2);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(null, 2);
    ::close(null);
}

QuietStandardError::~QuietStandardError() {
    std::fflush(stderr);
    ::dup2(m_saved, 2);
    ::close(m_saved);
}

ScratchFolder::ScratchFolder(const std::string& base) {
    std::string pattern = base + "/zorva-bench-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder under " + base);
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace zorva::bench
