// What any sender on the network decides: the room name in a card record's line, and the
// operator's list of allowed senders. The first byte picks which one the rest feeds.

#include "app/card_record.h"
#include "app/log.h"
#include "app/sender_filter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zorva;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// The fields of one record as a strict RFC 4180 reader splits it at ';', or a failure when the
// line is not exactly one record ending in CR LF.
std::vector<std::string> readRecord(std::string_view line) {
    std::vector<std::string> fields(1);
    std::size_t i = 0;
    while (i < line.size()) {
        std::string& field = fields.back();
        if (line[i] == '"' && field.empty()) {
            for (++i;; ++i) {
                if (i == line.size())
                    fail("a quoted field runs to the line's end");
                if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"')
                    field += line[++i];
                else if (line[i] == '"')
                    break;
                else
                    field += line[i];
            }
            ++i;
            if (i == line.size() || (line[i] != ';' && line[i] != '\r'))
                fail("text after a closing quote");
        }
        if (line[i] == ';') {
            fields.emplace_back();
            ++i;
        } else if (line[i] == '\r') {
            if (line.substr(i) != "\r\n")
                fail("the record goes on after its CR LF, or lacks the LF");
            return fields;
        } else if (line[i] == '"' || line[i] == '\n') {
            fail("a quote or line feed in a field that is not quoted");
        } else {
            field += line[i++];
        }
    }
    fail("the line does not end in CR LF");
}

void checkRecordLine(std::string_view roomName) {
    app::CardRecordEntry entry;
    platform::DateTime::tryDate(2025, 7, 29, entry.localTime);
    entry.senderAddress = "192.168.1.20";
    entry.senderPort = 52000;
    entry.roomName = std::string(roomName);
    entry.outcome = "tanımsız oda";
    const std::vector<std::string> fields = readRecord(app::CardRecord::lineFor(entry));
    if (fields.size() != 9)
        fail("a line holds other than nine fields");
    std::string name = app::loggedText(roomName);
    if (!name.empty() && std::string_view("=+-@\t\r\n").find(name.front()) != std::string::npos)
        name.insert(name.begin(), '\'');
    if (fields[3] != name || fields[8] != entry.outcome)
        fail("the room name or the outcome does not read back");
}

void checkSenderList(std::string_view text) {
    std::string error;
    const auto filter = app::SenderFilter::parse(text, error);
    if (!filter) {
        if (error.empty() || error.front() != '\'')
            fail("a refused list does not name its bad part");
        return;
    }
    // Every plain address of an accepted list is let in.
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find_first_of(", \t", at);
        const std::string_view part = text.substr(at, end == std::string_view::npos ? end : end - at);
        if (!part.empty() && app::parseIpv4(part) && !filter->allows(part))
            fail("an address of the list is refused");
        if (end == std::string_view::npos)
            break;
        at = end + 1;
    }
    if (filter->everyone() != (text.find_first_not_of(", \t") == std::string_view::npos))
        fail("only a list without entries takes everyone");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0)
        checkRecordLine(rest);
    else
        checkSenderList(rest);
    return 0;
}
