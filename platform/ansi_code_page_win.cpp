#include "platform/ansi_code_page.h"

#include <stdexcept>
#include <windows.h>

namespace zorva::platform {

namespace {

// The port's ANSI code page, whatever the system's own is: a Turkish system's is the same, and
// a system set to UTF-8 could not hold the byte-per-character text of the front office.
constexpr UINT turkish = 1254;

} // namespace

std::array<char32_t, 256> ansiCharacters() {
    std::array<char32_t, 256> characters{};
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t c = 0;
        if (MultiByteToWideChar(turkish, 0, &byte, 1, &c, 1) != 1)
            throw std::runtime_error("Windows-1254 conversion is not available");
        characters[b] = c;
    }
    return characters;
}

} // namespace zorva::platform
