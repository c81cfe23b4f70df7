#include "platform/ansi_code_page.h"

#include <iconv.h>
#include <stdexcept>

namespace zorva::platform {

namespace {

char32_t decodeByteWithIconv(iconv_t cd, unsigned char byte) {
    char in[1] = {static_cast<char>(byte)};
    char32_t out[2] = {};
    char* inPtr = in;
    auto* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1, outLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        outLeft != sizeof(out) - sizeof(char32_t))
        return byte; // Windows passes the five unassigned bytes through as C1 controls.
    return out[0];
}

} // namespace

std::array<char32_t, 256> ansiCharacters() {
    std::array<char32_t, 256> characters{};
    iconv_t cd = iconv_open("UTF-32LE", "CP1254");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("Windows-1254 conversion is not available");
    for (int b = 0; b < 256; ++b)
        characters[b] = b < 0x80 ? static_cast<char32_t>(b)
                                 : decodeByteWithIconv(cd, static_cast<unsigned char>(b));
    iconv_close(cd);
    return characters;
}

} // namespace zorva::platform
