#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zorva::tools {

// What zorva-send is asked to do, as the command line gives it.
struct SendOptions {
    enum class Source {
        Checkin, // --room, --in and --out
        Text,    // --text
        File,    // --file: the file is one datagram
        Lines,   // --lines: each line of the file is one datagram
    };

    bool help = false;
    Source source = Source::Checkin;
    std::string room;
    std::string checkIn;
    std::string checkOut;
    std::string text;
    std::string path; // "-" is standard input
    std::string host = "127.0.0.1";
    // The local IPv4 address to send from; empty lets the system choose.
    std::string from;
    int port = 4040;
    std::uint64_t count = 1;
    std::optional<double> rate; // datagrams per second; none: as fast as the socket takes them
    bool quiet = false;
};

struct ParsedOptions {
    std::optional<SendOptions> options;
    std::string error; // set when options is empty
};

inline constexpr std::uint64_t maxCount = 1'000'000'000;
inline constexpr double maxRate = 10'000'000;

// Reads the arguments after the program name. "--name value" and "--name=value" both work.
ParsedOptions parseSendOptions(const std::vector<std::string>& args);

std::string usageText();

// The datagrams to send, in order, once each: typed texts converted to the bridge's ANSI code
// page, files byte for byte. Throws std::runtime_error with a readable reason when a file
// cannot be read.
std::vector<std::string> buildDatagrams(const SendOptions& options);

} // namespace zorva::tools
