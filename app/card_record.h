#pragma once

#include "platform/date_time.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zorva::app {

// One card asked for, as the record keeps it.
struct CardRecordEntry {
    platform::DateTime localTime; // when the check-in was handled
    std::string senderAddress;    // dotted IPv4, as the listener saw it
    int senderPort = 0;
    // ANSI text as received, whole: the record cuts it as the log does.
    std::string roomName;
    // The four bytes sent, or nothing when no request went out.
    std::optional<std::array<std::uint8_t, 4>> lockAddress;
    // "yyyyMMddHHmm" as sent to the encoder, or empty when nothing was sent.
    std::string checkIn, checkOut;
    std::optional<std::int16_t> result; // the library's result, or nothing when it gave none
    std::string outcome;                // a word or two in UTF-8: "kart", "reddedildi", ...
};

// The record of every card asked for, for the hotel's security officer: one file a month,
// Kartlar-YYYY-MM.csv after the entry's local month, in a folder made when missing. Each line is
// on the disk before append() returns, and nothing is ever deleted or rewritten.
//
// The files are what a spreadsheet opens by a double click under Turkish regional settings:
// UTF-8 with a byte order mark, ';' between fields, CR LF line ends, one header line, fields
// quoted as RFC 4180 quotes them.
class CardRecord {
public:
    // Lines that could not be written wait for the next append, up to this many; beyond it the
    // oldest goes, so that a sender on the network cannot grow the program's memory without end
    // while the disk is full.
    static constexpr std::size_t maxWaiting = 10'000;

    // folder is a full path with its trailing separator.
    explicit CardRecord(std::string folder);

    // Writes the entry's line, after any that earlier appends could not write. False when a
    // line could not be written or put on the disk: failure() and failedPath() say why and
    // where, and the line waits for the next append; the caller goes on.
    bool append(const CardRecordEntry& entry);
    const std::string& failure() const { return m_failure; }
    const std::string& failedPath() const { return m_failedPath; }
    std::size_t waiting() const { return m_waitingLines; }

    static std::string fileNameFor(const platform::DateTime& when); // "Kartlar-2025-07.csv"
    // What a new file begins with: the byte order mark and the header line.
    static const std::string& fileStart();
    // The entry's line in the file, with its CR LF.
    static std::string lineFor(const CardRecordEntry& entry);

private:
    // A file's lines that wait, in their order, each with its CR LF.
    struct Waiting {
        std::string fileName;
        std::string lines;
        std::deque<std::size_t> lengths;
    };
    enum class Written { No, NotFlushed, Yes };
    Written write(const std::string& fileName, const std::string& lines);
    void dropOldest();

    std::string m_folder;
    // By the time each file's first line began to wait.
    std::vector<Waiting> m_waiting;
    std::size_t m_waitingLines = 0;
    std::string m_failure;
    std::string m_failedPath;
};

} // namespace zorva::app
