// Room files as the program loads them at start: whatever loads, saves, and the saved file
// loads back to the same table.

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/format_settings.h"
#include "platform/ini_file.h"
#include "rooms/data_set_ini.h"
#include "rooms/room_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace zorva;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Saving replaces the file through a temporary one beside it, so it needs a real folder; one in
// memory, where there is one, because every save waits for the disk.
std::string scratchFolder() {
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "zorva-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        fail("no scratch folder");
    static std::string made;
    made = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(made, ignored);
    });
    return pattern + "/";
}

std::string saved(rooms::MemoryDataSet& table, const std::string& path) {
    rooms::SaveDataSetToIni(table, path);
    std::string bytes, reason;
    const auto outcome = platform::readWholeFile(path, bytes, reason);
    if (outcome == platform::ReadOutcome::Failed)
        fail("the saved file cannot be read");
    if ((outcome == platform::ReadOutcome::Missing) != table.isEmpty())
        fail("only an empty table leaves no file");
    return bytes;
}

// What a reload makes of a text value: the blanks around it go, then one pair of matching
// quotes around the whole of it.
std::string afterReload(std::string text) {
    const auto first = text.find_first_not_of(" \t");
    text = first == std::string::npos
               ? ""
               : text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text;
}

std::vector<std::vector<std::string>> contents(rooms::MemoryDataSet& table, bool reloaded) {
    std::vector<std::vector<std::string>> records;
    for (table.first(); !table.eof(); table.next()) {
        auto& record = records.emplace_back();
        for (int i = 0; i < table.fieldCount(); ++i) {
            const rooms::Field field = table.field(i);
            std::string text = field.isNull() ? "" : field.asString();
            record.push_back(
                reloaded || field.type() != rooms::FieldType::String ? text : afterReload(text));
        }
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = scratchFolder();
    static const std::string input = folder + "Odalar.ini", output = folder + "saved.ini";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::FILE* f = std::fopen(input.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
            fail("cannot write the input");
        std::fclose(f);
    }

    auto table = rooms::makeRoomTable();
    table->setFormatSettings(platform::FormatSettings::turkish());
    rooms::LoadDataSetFromIni(*table, input);
    if (static_cast<std::size_t>(table->recordCount()) !=
        platform::IniFile(input).sectionNames().size())
        fail("one record per section");
    const std::string first = saved(*table, output);

    auto reloaded = rooms::makeRoomTable();
    reloaded->setFormatSettings(platform::FormatSettings::turkish());
    reloaded->open();
    if (!first.empty())
        rooms::LoadDataSetFromIni(*reloaded, output);
    // Saved and loaded again, the table holds the same, but for what the INI rules take from
    // the ends of a text; once more, and nothing changes at all.
    if (contents(*reloaded, true) != contents(*table, false))
        fail("a saved room file does not load back to the same table");
    const std::string second = saved(*reloaded, output);
    auto third = rooms::makeRoomTable();
    third->setFormatSettings(platform::FormatSettings::turkish());
    third->open();
    if (!second.empty())
        rooms::LoadDataSetFromIni(*third, output);
    if (contents(*third, true) != contents(*reloaded, false))
        fail("a saved room file does not load back to the same table the second time");
    return 0;
}
