#include "platform/number_text.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace zorva::platform {

bool tryStrToInt32(std::string_view s, std::int32_t& out) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size())
        return false;
    std::uint64_t value = 0;
    for (; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        int digit = -1;
        if (std::isdigit(c))
            digit = c - '0';
        else if (hex && std::isxdigit(c))
            digit = std::tolower(c) - 'a' + 10;
        if (digit < 0)
            return false;
        value = value * (hex ? 16 : 10) + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull)
            return false;
    }
    if (hex) {
        const auto bits = static_cast<std::uint32_t>(value);
        out = static_cast<std::int32_t>(negative ? 0u - bits : bits);
        return true;
    }
    if (value > (negative ? 2147483648ull : 2147483647ull))
        return false;
    out = static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                             : static_cast<std::int64_t>(value));
    return true;
}

std::string formatFloatGeneral(double value, char decimalSeparator, int precision) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    std::string text(buffer, result.ptr);
    // "1.5e+20" becomes "1.5E20", "1e-05" becomes "1E-5".
    if (const auto e = text.find('e'); e != std::string::npos) {
        std::string mantissa = text.substr(0, e);
        std::string exponent = text.substr(e + 1);
        const bool minus = exponent[0] == '-';
        exponent.erase(0, 1);
        exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
        text = mantissa + "E" + (minus ? "-" : "") + exponent;
    }
    for (char& c : text)
        if (c == '.')
            c = decimalSeparator;
    return text;
}

bool tryStrToFloat(std::string_view text, char decimalSeparator, double& out) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    std::string plain(text.substr(begin, end - begin));
    if (plain.empty())
        return false;
    for (char& c : plain) {
        if (c == decimalSeparator)
            c = '.';
        else if (c == '.')
            return false; // only the regional separator counts
    }
    const char* first = plain.data();
    if (*first == '+')
        ++first;
    const auto result = std::from_chars(first, plain.data() + plain.size(), out);
    return result.ec == std::errc() && result.ptr == plain.data() + plain.size();
}

} // namespace zorva::platform
