// Which processor a library file is for, read from its header.

#include "platform/shared_library.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <string>

namespace zorva::platform {
namespace {

// The first bytes of a file: an ELF header, or a DOS header pointing at a PE header.
std::string elf(bool bigEndian, std::uint16_t machine) {
    std::string h(64, '\0');
    h.replace(0, 4,
              "\x7f"
              "ELF");
    h[4] = 1;
    h[5] = bigEndian ? 2 : 1;
    h[18] = static_cast<char>(bigEndian ? machine >> 8 : machine & 0xff);
    h[19] = static_cast<char>(bigEndian ? machine & 0xff : machine >> 8);
    return h;
}

std::string pe(std::uint16_t machine) {
    std::string h(0x90, '\0');
    h[0] = 'M';
    h[1] = 'Z';
    h[0x3c] = static_cast<char>(0x80);
    h.replace(0x80, 4, std::string("PE\0\0", 4));
    h[0x84] = static_cast<char>(machine & 0xff);
    h[0x85] = static_cast<char>(machine >> 8);
    return h;
}

TEST(SharedLibrary, TheMachineOfALibraryFileComesFromItsHeader) {
    zorva::testing::TempDirectory dir;
    struct Case {
        const char* name;
        std::string bytes;
        Machine machine;
    } cases[] = {
        {"elf64", elf(false, 62), Machine::X86_64},
        {"elf32", elf(false, 3), Machine::X86},
        {"elf-arm", elf(false, 183), Machine::Other},
        {"elf-big", elf(true, 62), Machine::X86_64},
        {"pe32", pe(0x014c), Machine::X86},
        {"pe64", pe(0x8664), Machine::X86_64},
        {"pe-arm64", pe(0xaa64), Machine::Other},
        {"mz-without-pe", pe(0x014c).replace(0x80, 2, "NE"), Machine::Unknown},
        {"short", "MZ", Machine::Unknown},
        {"text", std::string(100, 'x'), Machine::Unknown},
    };
    for (const Case& c : cases) {
        zorva::testing::writeBytes(dir.file(c.name), c.bytes);
        EXPECT_EQ(libraryMachine(dir.file(c.name)), c.machine) << c.name;
    }
    EXPECT_EQ(libraryMachine(dir.file("missing")), Machine::Unknown);
}

} // namespace
} // namespace zorva::platform
