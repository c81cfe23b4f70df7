#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorva::app {

// The senders whose check-ins the bridge takes: IPv4 addresses and ranges in CIDR form
// ("192.168.1.20, 192.168.1.0/24"), separated by commas or blanks. Empty takes every sender.
class SenderFilter {
public:
    SenderFilter() = default;

    // The filter the text gives, or nothing, with the part that is no address or range in
    // error: "'192.168.1.300' is not an IPv4 address or range".
    static std::optional<SenderFilter> parse(std::string_view text, std::string& error);
    // A filter that takes nobody, for a list that could not be read.
    static SenderFilter nobody();

    bool everyone() const { return m_everyone; }
    // The sender's address in dotted form; an address that is no IPv4 address is never taken
    // unless every sender is.
    bool allows(std::string_view address) const;

private:
    struct Range {
        std::uint32_t network;
        std::uint32_t mask;
    };
    bool m_everyone = true;
    std::vector<Range> m_ranges;
};

// An IPv4 address in dotted decimal, four numbers of 0 to 255 without leading zeros.
std::optional<std::uint32_t> parseIpv4(std::string_view text);

} // namespace zorva::app
