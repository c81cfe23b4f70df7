#include "platform/shared_library.h"

#include <array>
#include <cstdint>
#include <fstream>

namespace zorva::platform {

namespace {

std::uint32_t little(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

Machine fromElf(std::uint16_t machine) {
    switch (machine) {
    case 3: // EM_386
        return Machine::X86;
    case 62: // EM_X86_64
        return Machine::X86_64;
    default:
        return Machine::Other;
    }
}

Machine fromPe(std::uint16_t machine) {
    switch (machine) {
    case 0x014c: // IMAGE_FILE_MACHINE_I386
        return Machine::X86;
    case 0x8664: // IMAGE_FILE_MACHINE_AMD64
        return Machine::X86_64;
    default:
        return Machine::Other;
    }
}

} // namespace

Machine libraryMachine(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::array<std::uint8_t, 64> head{};
    if (!file.read(reinterpret_cast<char*>(head.data()), head.size()))
        return Machine::Unknown;
    if (head[0] == 0x7f && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') {
        const std::uint16_t machine =
            head[5] == 2 ? static_cast<std::uint16_t>(head[18] << 8 | head[19]) // big-endian
                         : static_cast<std::uint16_t>(little(&head[18], 2));
        return fromElf(machine);
    }
    if (head[0] != 'M' || head[1] != 'Z')
        return Machine::Unknown;
    // The DOS header points at the PE header, whose machine field follows its signature.
    const std::uint32_t pe = little(&head[0x3c], 4);
    std::array<std::uint8_t, 6> signature{};
    if (!file.seekg(pe) ||
        !file.read(reinterpret_cast<char*>(signature.data()), signature.size()) ||
        signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0)
        return Machine::Unknown;
    return fromPe(static_cast<std::uint16_t>(little(&signature[4], 2)));
}

} // namespace zorva::platform
