#include "app/card_record.h"

#include "app/log.h"
#include "platform/append_file.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

namespace zorva::app {

namespace {

// Excel under Turkish (and German) regional settings splits a double-clicked CSV file at its
// list separator, ';', and reads it as UTF-8 only for the byte order mark.
constexpr char separator = ';';
constexpr std::string_view lineEnd = "\r\n";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Quoted as RFC 4180 quotes, and also for a comma: a reader told to split at commas as well
// (LibreOffice's import offers both) still finds the fields. Blanks at the ends are quoted
// because some readers trim them otherwise.
std::string field(std::string_view text) {
    const bool quoted = text.find_first_of(";,\"\r\n") != std::string_view::npos ||
                        (!text.empty() && (isBlank(text.front()) || isBlank(text.back())));
    if (!quoted)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

// Any sender on the network chooses the room name, and a spreadsheet takes a cell that begins
// with one of these for a formula (which can open links or start programs); the apostrophe
// before it keeps it text.
std::string roomNameText(std::string_view ansi) {
    std::string utf8 = loggedText(ansi);
    if (!utf8.empty() &&
        std::string_view("=+-@\t\r\n").find(utf8.front()) != std::string_view::npos)
        utf8.insert(utf8.begin(), '\'');
    return utf8;
}

// Not by the regional settings, so that the column sorts as text and every spreadsheet reads it.
std::string timeText(const platform::DateTime& when) {
    const platform::CalendarFields f = when.fields();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day,
                  f.hour, f.minute, f.second);
    return text;
}

std::string lockAddressText(const std::optional<std::array<std::uint8_t, 4>>& address) {
    if (!address)
        return {};
    std::string text;
    for (const std::uint8_t byte : *address)
        text += (text.empty() ? "" : ".") + std::to_string(byte);
    return text;
}

std::string csvLine(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& text : fields)
        line += (&text == fields.begin() ? "" : std::string(1, separator)) + field(text);
    return line + std::string(lineEnd);
}

// What must come before a line so that it starts a line of its own: nothing after a line end;
// after a cut-off line, a line end, with a closing quote first when the cut fell inside a quoted
// field (the file then holds an odd number of quotes), or a reader would take the next line
// into that field. False when the file cannot be read.
bool startOfLine(platform::AppendFile& file, std::uint64_t size, std::string& before) {
    before.clear();
    std::string tail;
    if (size == 0 || !file.read(size >= 2 ? size - 2 : 0, 2, tail))
        return size == 0;
    if (tail.ends_with(lineEnd))
        return true;
    std::string contents;
    if (!file.read(0, static_cast<std::size_t>(size), contents))
        return false;
    if (std::count(contents.begin(), contents.end(), '"') % 2 != 0)
        before = "\"";
    before += contents.ends_with('\r') && before.empty() ? "\n" : lineEnd;
    return true;
}

} // namespace

CardRecord::CardRecord(std::string folder) : m_folder(std::move(folder)) {}

std::string CardRecord::fileNameFor(const platform::DateTime& when) {
    const platform::CalendarFields f = when.fields();
    char name[32];
    std::snprintf(name, sizeof name, "Kartlar-%04d-%02d.csv", f.year, f.month);
    return name;
}

const std::string& CardRecord::fileStart() {
    static const std::string start =
        "\xEF\xBB\xBF" + csvLine({"Zaman", "Gönderen", "Port", "Oda Adı", "Kilit Adresi", "Giriş",
                                  "Çıkış", "Sonuç Kodu", "Sonuç"});
    return start;
}

std::string CardRecord::lineFor(const CardRecordEntry& entry) {
    return csvLine({
        timeText(entry.localTime),
        entry.senderAddress,
        std::to_string(entry.senderPort),
        roomNameText(entry.roomName),
        lockAddressText(entry.lockAddress),
        entry.checkIn,
        entry.checkOut,
        entry.result ? std::to_string(*entry.result) : std::string(),
        entry.outcome,
    });
}

bool CardRecord::append(const CardRecordEntry& entry) {
    if (m_waitingLines == maxWaiting)
        dropOldest();
    const std::string fileName = fileNameFor(entry.localTime);
    auto waiting = std::find_if(m_waiting.begin(), m_waiting.end(),
                                [&](const Waiting& w) { return w.fileName == fileName; });
    if (waiting == m_waiting.end())
        waiting = m_waiting.insert(m_waiting.end(), Waiting{fileName, {}, {}});
    const std::string line = lineFor(entry);
    waiting->lines += line;
    waiting->lengths.push_back(line.size());
    ++m_waitingLines;

    m_failure.clear();
    m_failedPath.clear();
    // Each file's waiting lines go in one write; a file that refuses them keeps them all, and
    // other months' files still get theirs.
    bool allOnDisk = true;
    for (auto file = m_waiting.begin(); file != m_waiting.end();) {
        const Written written = write(file->fileName, file->lines);
        allOnDisk = allOnDisk && written == Written::Yes;
        if (written == Written::No) {
            ++file;
            continue;
        }
        m_waitingLines -= file->lengths.size();
        file = m_waiting.erase(file);
    }
    return allOnDisk;
}

void CardRecord::dropOldest() {
    Waiting& first = m_waiting.front();
    first.lines.erase(0, first.lengths.front());
    first.lengths.pop_front();
    --m_waitingLines;
    if (first.lengths.empty())
        m_waiting.erase(m_waiting.begin());
}

CardRecord::Written CardRecord::write(const std::string& fileName, const std::string& lines) {
    const std::string path = m_folder + fileName;
    platform::AppendFile file(path);
    std::uint64_t size = 0;
    std::string bytes;
    Written written = Written::No;
    if (file.isOpen() && file.size(size) && startOfLine(file, size, bytes)) {
        if (size == 0)
            bytes = fileStart();
        bytes += lines;
        // One write, so that a crash leaves the lines before it whole.
        if (file.append(bytes))
            written = file.flush() ? Written::Yes : Written::NotFlushed;
    }
    if (written != Written::Yes && m_failure.empty()) {
        m_failure = file.failure();
        m_failedPath = path;
    }
    return written;
}

} // namespace zorva::app
