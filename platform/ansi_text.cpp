#include "platform/ansi_text.h"

#include "platform/ansi_code_page.h"

#include <array>
#include <unordered_map>

namespace zorva::platform {

namespace {

struct Codepage {
    std::array<char32_t, 256> toUnicode{};
    std::unordered_map<char32_t, unsigned char> fromUnicode;
    std::array<unsigned char, 256> lower{};
};

// The upper-case letters that Windows-1254 holds, folded without regard to the user's locale.
// Ours rather than the system's, so that a message matches alike on every system: Windows's own
// case mapping leaves "İ" as it is, and its locale-aware comparison also passes over hyphens,
// apostrophes and soft hyphens and takes "ß" for "ss".
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
    cp.toUnicode = ansiCharacters();
    for (int b = 0; b < 256; ++b)
        cp.fromUnicode.emplace(cp.toUnicode[b], static_cast<unsigned char>(b));
    for (int b = 0; b < 256; ++b) {
        const auto it = cp.fromUnicode.find(lowerOf(cp.toUnicode[b]));
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

char toAnsi(const Codepage& cp, char32_t c) {
    const auto it = cp.fromUnicode.find(c);
    return it != cp.fromUnicode.end() ? static_cast<char>(it->second) : '?';
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
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
    for (std::size_t i = 0; i < utf8.size();)
        out += toAnsi(cp, nextUtf8(utf8, i));
    return out;
}

std::string utf16ToAnsi(std::u16string_view utf16) {
    const Codepage& cp = codepage();
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        // The code page holds no character outside the first 65,536, nor a lone surrogate.
        if (isHighSurrogate(utf16[i]) && i + 1 < utf16.size() && isLowSurrogate(utf16[i + 1]))
            ++i;
        out += toAnsi(cp, utf16[i]);
    }
    return out;
}

std::u16string ansiToUtf16(std::string_view ansi) {
    const Codepage& cp = codepage();
    std::u16string out;
    out.reserve(ansi.size());
    for (char ch : ansi)
        out += static_cast<char16_t>(cp.toUnicode[static_cast<unsigned char>(ch)]);
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
