#pragma once

#include "app/card_record.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zorva::app::test {

inline platform::DateTime localTime(int year, int month, int day, int hour, int minute,
                                    int second) {
    platform::DateTime when;
    if (!platform::DateTime::tryFromFields({year, month, day, hour, minute, second, 0}, when))
        throw std::invalid_argument("no such time");
    return when;
}

// A card that went out: a room of the table, and the library said 0.
inline CardRecordEntry issuedCard() {
    CardRecordEntry entry;
    entry.localTime = localTime(2025, 7, 14, 9, 5, 3);
    entry.senderAddress = "192.168.1.20";
    entry.senderPort = 52000;
    entry.roomName = "Oda 101";
    entry.lockAddress = {{1, 1, 2, 12}};
    entry.checkIn = "202507141400";
    entry.checkOut = "202507161200";
    entry.result = 0;
    entry.outcome = "kart";
    return entry;
}

// A record as a spreadsheet reads it (RFC 4180 with ';' between fields), and the offsets in
// the file where it begins and where it ends, after its CR LF.
struct CsvRecord {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The records from offset on. Throws at a quote that no reader would accept, and at an end
// of the file inside a record.
inline std::vector<CsvRecord> readCsv(std::string_view bytes, std::size_t offset = 0) {
    std::vector<CsvRecord> records;
    CsvRecord record;
    record.begin = offset;
    std::string field;
    bool quoted = false;
    for (std::size_t i = offset; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < bytes.size() && bytes[i + 1] == '"')
                field += bytes[++i];
            else if (i + 1 < bytes.size() && bytes[i + 1] != ';' && bytes[i + 1] != '\r')
                throw std::runtime_error("text after a closing quote at " + std::to_string(i));
            else
                quoted = false;
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == ';') {
            record.fields.push_back(std::move(field));
            field.clear();
        } else if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            record.fields.push_back(std::move(field));
            field.clear();
            record.end = i + 2;
            records.push_back(std::move(record));
            record = CsvRecord{};
            record.begin = ++i + 1;
        } else {
            field += c;
        }
    }
    if (record.begin != bytes.size())
        throw std::runtime_error("the file ends inside a record");
    return records;
}

class CardRecordTest : public ::testing::Test {
protected:
    // The record's folder, which the record makes.
    std::string folder() const { return m_dir.file("Kartlar") + platform::pathSeparator; }
    std::string file(const std::string& name) const { return folder() + name; }
    std::string july() const { return file("Kartlar-2025-07.csv"); }
    std::string contents(const std::string& path) const { return testing::readBytes(path); }

    testing::TempDirectory m_dir;
};

} // namespace zorva::app::test
