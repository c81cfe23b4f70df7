#include "app/sender_filter.h"

#include "app/log.h"

#include <charconv>

namespace zorva::app {

namespace {

// A number without sign or leading zero, at most `largest`.
std::optional<std::uint32_t> number(std::string_view text, std::uint32_t largest) {
    if (text.empty() || text.size() > 3 || (text.size() > 1 && text.front() == '0'))
        return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > largest)
        return std::nullopt;
    return value;
}

bool separates(char c) {
    return c == ',' || c == ' ' || c == '\t';
}

} // namespace

std::optional<std::uint32_t> parseIpv4(std::string_view text) {
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const auto dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos)
            return std::nullopt;
        const auto value = number(text.substr(0, dot), 255);
        if (!value)
            return std::nullopt;
        address = address << 8 | *value;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return address;
}

std::optional<SenderFilter> SenderFilter::parse(std::string_view text, std::string& error) {
    SenderFilter filter;
    while (!text.empty()) {
        std::size_t start = 0;
        while (start < text.size() && separates(text[start]))
            ++start;
        std::size_t end = start;
        while (end < text.size() && !separates(text[end]))
            ++end;
        const std::string_view item = text.substr(start, end - start);
        text.remove_prefix(end);
        if (item.empty())
            continue;
        const auto slash = item.find('/');
        const auto address = parseIpv4(item.substr(0, slash));
        const auto prefix = slash == std::string_view::npos ? std::optional<std::uint32_t>(32)
                                                            : number(item.substr(slash + 1), 32);
        if (!address || !prefix) {
            // A stored list is ANSI text of any length; the message goes to the log and a box.
            error = "'" + loggedText(item) + "' is not an IPv4 address or range";
            return std::nullopt;
        }
        // A range written with its host bits set means the network it lies in.
        const std::uint32_t mask = *prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - *prefix);
        filter.m_ranges.push_back({*address & mask, mask});
    }
    filter.m_everyone = filter.m_ranges.empty();
    return filter;
}

SenderFilter SenderFilter::nobody() {
    SenderFilter filter;
    filter.m_everyone = false;
    return filter;
}

bool SenderFilter::allows(std::string_view address) const {
    if (m_everyone)
        return true;
    const auto value = parseIpv4(address);
    if (!value)
        return false;
    for (const Range& r : m_ranges)
        if ((*value & r.mask) == r.network)
            return true;
    return false;
}

} // namespace zorva::app
