#include "tools/send_options.h"

#include "platform/ansi_text.h"
#include "platform/file_system.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace zorva::tools {

namespace {

std::optional<std::uint64_t> wholeNumber(const std::string& text, std::uint64_t low,
                                         std::uint64_t high) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<double> positiveNumber(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0;
    if (!(in >> value) || !in.eof() || !std::isfinite(value) || value <= 0 || value > maxRate)
        return std::nullopt;
    return value;
}

std::string readFile(const std::string& path) {
    if (path == "-")
        return std::string(std::istreambuf_iterator<char>(std::cin),
                           std::istreambuf_iterator<char>());
    std::string bytes, reason;
    switch (platform::readWholeFile(path, bytes, reason)) {
    case platform::ReadOutcome::Read:
        return bytes;
    case platform::ReadOutcome::Missing:
        throw std::runtime_error("cannot read " + path + ": no such file");
    case platform::ReadOutcome::Failed:
        break;
    }
    throw std::runtime_error("cannot read " + path + ": " + reason);
}

// LF ends a line, and a CR just before it goes with it, so that a file saved on Windows sends
// the same datagrams. A last line without a line end counts.
std::vector<std::string> splitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (end == std::string::npos)
            end = bytes.size();
        if (end > start && bytes[end - 1] == '\r' && end < bytes.size())
            --end;
        lines.push_back(bytes.substr(start, end - start));
        start = next;
    }
    return lines;
}

} // namespace

ParsedOptions parseSendOptions(const std::vector<std::string>& args) {
    SendOptions o;
    ParsedOptions result;
    const auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };
    bool checkinPart = false;
    int sources = 0;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (name == "--help" || name == "-h") {
            o.help = true;
            continue;
        }
        if (name == "--quiet" || name == "-q") {
            o.quiet = true;
            continue;
        }
        const bool known = name == "--room" || name == "--in" || name == "--out" ||
                           name == "--text" || name == "--file" || name == "--lines" ||
                           name == "--host" || name == "--from" || name == "--port" ||
                           name == "--count" || name == "--rate";
        if (!known)
            return fail("unknown option '" + args[i] + "'");
        if (!value) {
            if (i + 1 == args.size())
                return fail("option " + name + " needs a value");
            value = args[++i];
        }

        if (name == "--room" || name == "--in" || name == "--out") {
            std::string& target = name == "--room" ? o.room
                                  : name == "--in" ? o.checkIn
                                                   : o.checkOut;
            target = *value;
            if (!checkinPart)
                ++sources;
            checkinPart = true;
        } else if (name == "--text") {
            o.source = SendOptions::Source::Text;
            o.text = *value;
            ++sources;
        } else if (name == "--file" || name == "--lines") {
            o.source = name == "--file" ? SendOptions::Source::File : SendOptions::Source::Lines;
            o.path = *value;
            if (o.path.empty())
                return fail("option " + name + " needs a file name");
            ++sources;
        } else if (name == "--host") {
            if (value->empty())
                return fail("option --host needs a host name or address");
            o.host = *value;
        } else if (name == "--from") {
            if (value->empty())
                return fail("option --from needs a local IPv4 address");
            o.from = *value;
        } else if (name == "--port") {
            const auto port = wholeNumber(*value, 1, 65535);
            if (!port)
                return fail("--port must be a whole number from 1 to 65535, not '" + *value + "'");
            o.port = static_cast<int>(*port);
        } else if (name == "--count") {
            const auto count = wholeNumber(*value, 1, maxCount);
            if (!count)
                return fail("--count must be a whole number from 1 to " + std::to_string(maxCount) +
                            ", not '" + *value + "'");
            o.count = *count;
        } else {
            const auto rate = positiveNumber(*value);
            if (!rate)
                return fail("--rate must be a number of datagrams per second above 0 and up "
                            "to 10000000, not '" +
                            *value + "'");
            o.rate = rate;
        }
    }

    if (!o.help) {
        if (sources == 0)
            return fail("nothing to send: give --room, --in and --out, or --text, --file or "
                        "--lines");
        if (sources > 1)
            return fail("give only one of: a check-in (--room, --in, --out), --text, --file, "
                        "--lines");
        if (checkinPart) {
            o.source = SendOptions::Source::Checkin;
            if (o.room.empty() || o.checkIn.empty() || o.checkOut.empty())
                return fail("a check-in needs --room, --in and --out, each with a value");
        }
    }
    result.options = std::move(o);
    return result;
}

std::string usageText() {
    return R"(Usage: zorva-send [options]
Sends check-in datagrams to the Zorva lock bridge over UDP, as a front office would.

What to send (one of):
  --room NAME --in TEXT --out TEXT
                  a check-in: CIN=TEXT^COUT=TEXT^ODA=NAME
  --text TEXT     this text as one datagram
  --file PATH     the file's bytes as one datagram ('-' reads standard input)
  --lines PATH    each line of the file as one datagram, in order

Where and how often:
  --host HOST     IPv4 address or host name (default 127.0.0.1)
  --port PORT     UDP port, 1 to 65535 (default 4040)
  --from ADDRESS  send from this local IPv4 address, to try the bridge's allowed senders
                  (on Linux any of 127.0.0.0/8 is local; default: the system chooses)
  --count N       send it all N times (default 1)
  --rate R        datagrams per second (default: as fast as possible)
  --quiet, -q     print nothing on success
  --help, -h      this text

Texts typed on the command line are sent in Windows-1254, the code page the bridge reads;
files are sent byte for byte. Write the dates as the bridge's regional settings read them,
for example "29.07.2025 14:00" under Turkish settings. The bridge never answers; a port on
which nothing listens is reported when the system says so.

Exit status: 0 all sent, 1 sending failed, 2 bad options.

Example:
  zorva-send --room 101 --in "29.07.2025 14:00" --out "31.07.2025 12:00"
)";
}

std::vector<std::string> buildDatagrams(const SendOptions& options) {
    switch (options.source) {
    case SendOptions::Source::Checkin:
        return {platform::utf8ToAnsi("CIN=" + options.checkIn + "^COUT=" + options.checkOut +
                                     "^ODA=" + options.room)};
    case SendOptions::Source::Text:
        return {platform::utf8ToAnsi(options.text)};
    case SendOptions::Source::File:
        return {readFile(options.path)};
    case SendOptions::Source::Lines: {
        auto lines = splitLines(readFile(options.path));
        if (lines.empty())
            throw std::runtime_error(options.path + " holds no lines");
        return lines;
    }
    }
    return {};
}

} // namespace zorva::tools
