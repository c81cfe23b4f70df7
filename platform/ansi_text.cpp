#include "platform/ansi_text.h"

#include <array>
#include <iconv.h>
#include <stdexcept>
#include <unordered_map>

namespace zorva::platform {

namespace {

struct Codepage {
    std::array<char32_t, 256> toUnicode{};
    std::unordered_map<char32_t, unsigned char> fromUnicode;
    std::array<unsigned char, 256> lower{};
};

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

// The upper-case letters that Windows-1254 holds, folded without regard to the user's locale.
char32_t lowerOf(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    switch (c) {
    case 0x130:
        return 'i'; // İ
    case 0x11E:
        return 0x11F; // Ğ
    case 0x15E:
        return 0x15F; // Ş
    case 0x160:
        return 0x161; // Š
    case 0x152:
        return 0x153; // Œ
    case 0x178:
        return 0xFF; // Ÿ
    default:
        return c;
    }
}

Codepage buildCodepage() {
    Codepage cp;
    iconv_t cd = iconv_open("UTF-32LE", "CP1254");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("Windows-1254 conversion is not available");
    for (int b = 0; b < 256; ++b) {
        cp.toUnicode[b] = b < 0x80 ? static_cast<char32_t>(b)
                                   : decodeByteWithIconv(cd, static_cast<unsigned char>(b));
        cp.fromUnicode.emplace(cp.toUnicode[b], static_cast<unsigned char>(b));
    }
    iconv_close(cd);
    for (int b = 0; b < 256; ++b) {
        const char32_t lower = lowerOf(cp.toUnicode[b]);
        const auto it = cp.fromUnicode.find(lower);
        cp.lower[b] = it != cp.fromUnicode.end() ? it->second : static_cast<unsigned char>(b);
    }
    return cp;
}

const Codepage& codepage() {
    static const Codepage cp = buildCodepage();
    return cp;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence; a malformed one counts as one replacement character.
char32_t nextUtf8(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i++]);
    int extra = lead < 0x80         ? 0
                : (lead >> 5) == 6  ? 1
                : (lead >> 4) == 14 ? 2
                : (lead >> 3) == 30 ? 3
                                    : -1;
    if (extra < 0)
        return 0xFFFD;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return c;
}

} // namespace

std::string ansiToUtf8(std::string_view ansi) {
    const Codepage& cp = codepage();
    std::string out;
    out.reserve(ansi.size());
    for (char ch : ansi)
        appendUtf8(out, cp.toUnicode[static_cast<unsigned char>(ch)]);
    return out;
}

std::string utf8ToAnsi(std::string_view utf8) {
    const Codepage& cp = codepage();
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto it = cp.fromUnicode.find(nextUtf8(utf8, i));
        out += it != cp.fromUnicode.end() ? static_cast<char>(it->second) : '?';
    }
    return out;
}

char ansiLower(char c) {
    return static_cast<char>(codepage().lower[static_cast<unsigned char>(c)]);
}

bool sameTextIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    const auto& lower = codepage().lower;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower[static_cast<unsigned char>(a[i])] != lower[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

} // namespace zorva::platform
