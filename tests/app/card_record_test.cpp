// The record of cards asked for: the file's bytes, its quoting, a file a month, files that
// exist already, and lines that cannot be written.

#include "tests/app/card_record_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zorva::app {
namespace {

namespace fs = std::filesystem;
using test::CardRecordTest;
using test::issuedCard;
using test::localTime;
using test::readCsv;
using ::testing::ElementsAre;
using testing::writeBytes;

const std::string header = "\xEF\xBB\xBF"
                           "Zaman;Gönderen;Port;Oda Adı;Kilit Adresi;Giriş;Çıkış;Sonuç Kodu;Sonuç"
                           "\r\n";
const std::string issuedLine =
    "2025-07-14 09:05:03;192.168.1.20;52000;Oda 101;1.1.2.12;202507141400;202507161200;0;kart\r\n";

TEST_F(CardRecordTest, ANewFileHoldsTheMarkTheHeaderAndEachLineByteForByte) {
    CardRecord record(folder());
    ASSERT_TRUE(record.append(issuedCard())) << record.failure();

    CardRecordEntry refused = issuedCard();
    refused.localTime = localTime(2025, 7, 31, 23, 59, 59);
    refused.senderAddress = "10.0.0.7";
    refused.senderPort = 1024;
    refused.result = -3;
    refused.outcome = "reddedildi";
    ASSERT_TRUE(record.append(refused));

    // No request went out: no address, no dates, no result.
    CardRecordEntry undefined;
    undefined.localTime = localTime(2025, 7, 1, 0, 0, 0);
    undefined.senderAddress = "192.168.1.20";
    undefined.senderPort = 65535;
    undefined.roomName = "Kral Dairesi";
    undefined.outcome = "tanımsız oda";
    ASSERT_TRUE(record.append(undefined));

    EXPECT_EQ(contents(july()),
              header + issuedLine +
                  "2025-07-31 23:59:59;10.0.0.7;1024;Oda 101;1.1.2.12;202507141400;202507161200;"
                  "-3;reddedildi\r\n"
                  "2025-07-01 00:00:00;192.168.1.20;65535;Kral Dairesi;;;;;tanımsız oda\r\n");
    EXPECT_EQ(CardRecord::fileStart(), header);
    EXPECT_EQ(CardRecord::lineFor(issuedCard()), issuedLine);
    EXPECT_TRUE(record.failure().empty());
    EXPECT_EQ(record.waiting(), 0u);
}

TEST(CardRecordFileName, IsTheEntrysLocalMonth) {
    EXPECT_EQ(CardRecord::fileNameFor(localTime(2025, 7, 1, 0, 0, 0)), "Kartlar-2025-07.csv");
    EXPECT_EQ(CardRecord::fileNameFor(localTime(2025, 12, 31, 23, 59, 59)), "Kartlar-2025-12.csv");
    EXPECT_EQ(CardRecord::fileNameFor(localTime(2026, 1, 1, 0, 0, 0)), "Kartlar-2026-01.csv");
}

// The room name comes from the sender as Windows-1254 bytes, and goes in as UTF-8, quoted where
// a reader would otherwise split it or lose its blanks, and cut as the log cuts it.
TEST(CardRecordRoomName, IsConvertedQuotedAndCut) {
    const std::string hundred(100, 'x');
    const struct {
        std::string ansi;
        std::string field;
    } cases[] = {
        {"\xDE\xFD\xF0 Odas\xFD", "Şığ Odası"},
        {"\xC7\xD0\xDD\xD6\xDE\xDC \xE7\xF0\xFD\xF6\xFE\xFC", "ÇĞİÖŞÜ çğıöşü"},
        {"Oda, 101", "\"Oda, 101\""},
        {"Oda;101", "\"Oda;101\""},
        {"Oda \"K\xFDrm\xFDz\xFD\"", "\"Oda \"\"Kırmızı\"\"\""},
        {"\"", "\"\"\"\""},
        {" Oda 101", "\" Oda 101\""},
        {"Oda 101 ", "\"Oda 101 \""},
        {"Oda\t", "\"Oda\t\""},
        {"Oda\r\n101", "\"Oda\r\n101\""},
        {"Oda\n101", "\"Oda\n101\""},
        {"Kat 1 - Oda 2", "Kat 1 - Oda 2"},
        {"", ""},
        {hundred, hundred},
        {hundred + "y", hundred + "..."},
        {std::string(150, '\xFE'),
         [] {
             std::string s;
             for (int i = 0; i < 100; ++i)
                 s += "ş";
             return s + "...";
         }()},
        // Cut first, so that a quote beyond the hundredth character does not count.
        {hundred + "\"", hundred + "..."},
        {std::string(99, 'x') + ";;", "\"" + std::string(99, 'x') + ";...\""},
    };
    for (const auto& c : cases) {
        CardRecordEntry entry = issuedCard();
        entry.roomName = c.ansi;
        EXPECT_EQ(CardRecord::lineFor(entry), "2025-07-14 09:05:03;192.168.1.20;52000;" + c.field +
                                                  ";1.1.2.12;202507141400;202507161200;0;kart\r\n")
            << c.ansi;
    }
}

// A spreadsheet takes a cell that begins with =, +, - or @ for a formula, and any sender chooses
// the room name; an apostrophe keeps it text. A negative result stays a number.
TEST(CardRecordRoomName, ThatASpreadsheetWouldTakeForAFormulaStaysText) {
    const struct {
        std::string ansi;
        std::string field;
    } cases[] = {
        {"=1+2", "'=1+2"},
        {"=HYPERLINK(\"http://x\";\"Oda\")", "\"'=HYPERLINK(\"\"http://x\"\";\"\"Oda\"\")\""},
        {"+90 Oda", "'+90 Oda"},
        {"-1. kat", "'-1. kat"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tOda", "'\tOda"},
        {"\r\nOda", "\"'\r\nOda\""},
        {"Oda =1", "Oda =1"},
    };
    for (const auto& c : cases) {
        CardRecordEntry entry = issuedCard();
        entry.roomName = c.ansi;
        entry.result = -32768;
        EXPECT_EQ(CardRecord::lineFor(entry),
                  "2025-07-14 09:05:03;192.168.1.20;52000;" + c.field +
                      ";1.1.2.12;202507141400;202507161200;-32768;kart\r\n")
            << c.ansi;
    }
}

// Whatever a name holds, a reader finds the nine fields of each line and the name as it was.
TEST_F(CardRecordTest, AReaderGetsEveryNameBackWhole) {
    const std::string names[] = {"Oda; 1, \"2\"\r\n3", " \xDE\xFD\xF0 ", "\"\"", ";", "\r\n"};
    CardRecord record(folder());
    for (const std::string& name : names) {
        CardRecordEntry entry = issuedCard();
        entry.roomName = name;
        ASSERT_TRUE(record.append(entry));
    }
    const auto records = readCsv(contents(july()), 3);
    ASSERT_EQ(records.size(), 6u);
    EXPECT_THAT(records[0].fields,
                ElementsAre("Zaman", "Gönderen", "Port", "Oda Adı", "Kilit Adresi", "Giriş",
                            "Çıkış", "Sonuç Kodu", "Sonuç"));
    const std::string read[] = {"Oda; 1, \"2\"\r\n3", " Şığ ", "\"\"", ";", "'\r\n"};
    for (std::size_t i = 0; i < std::size(read); ++i) {
        ASSERT_EQ(records[i + 1].fields.size(), 9u);
        EXPECT_EQ(records[i + 1].fields[3], read[i]);
        EXPECT_EQ(records[i + 1].fields[8], "kart");
    }
}

TEST_F(CardRecordTest, EachMonthHasItsOwnFileWithItsOwnHeader) {
    CardRecord record(folder());
    CardRecordEntry august = issuedCard();
    august.localTime = localTime(2025, 8, 1, 0, 0, 0);
    CardRecordEntry lastOfJuly = issuedCard();
    lastOfJuly.localTime = localTime(2025, 7, 31, 23, 59, 59);
    ASSERT_TRUE(record.append(issuedCard()));
    ASSERT_TRUE(record.append(august));
    // Late, but of July: it goes with July's cards.
    ASSERT_TRUE(record.append(lastOfJuly));

    EXPECT_EQ(contents(july()), header + issuedLine + CardRecord::lineFor(lastOfJuly));
    EXPECT_EQ(contents(file("Kartlar-2025-08.csv")), header + CardRecord::lineFor(august));
    EXPECT_EQ(testing::entryCount(folder()), 2u);
}

TEST_F(CardRecordTest, ItsFolderIsMadeWithTheFoldersLeadingToIt) {
    const std::string deep = m_dir.file("a") + platform::pathSeparator + "b" +
                             platform::pathSeparator + "Kartlar" + platform::pathSeparator;
    CardRecord record(deep);
    ASSERT_TRUE(record.append(issuedCard())) << record.failure();
    EXPECT_EQ(contents(deep + "Kartlar-2025-07.csv"), header + issuedLine);
}

// A file that is there already keeps every byte and gets the new line after them, without a
// second header or byte order mark; so does a file that is there but empty get its header.
TEST_F(CardRecordTest, AFileThatIsThereIsAppendedToAndNeverRewritten) {
    fs::create_directories(folder());
    const std::string old = header + "an older line, not even of ours\r\n";
    writeBytes(july(), old);
    writeBytes(file("Kartlar-2025-08.csv"), "");
    CardRecordEntry august = issuedCard();
    august.localTime = localTime(2025, 8, 2, 10, 0, 0);

    CardRecord record(folder());
    ASSERT_TRUE(record.append(issuedCard()));
    ASSERT_TRUE(record.append(august));
    EXPECT_EQ(contents(july()), old + issuedLine);
    EXPECT_EQ(contents(file("Kartlar-2025-08.csv")), header + CardRecord::lineFor(august));
}

// A file whose last line someone else's crash cut off: the new line still goes on a line of its
// own, and a reader does not take it into the cut line, even when that was cut inside quotes.
TEST_F(CardRecordTest, ALineCutOffBeforeGetsTheNextLineOnALineOfItsOwn) {
    const struct {
        std::string cut;
        std::string after; // what goes between the cut line and the new one
    } cases[] = {
        {"2025-07-14 09:00:00;192.168.1.20;52000;Oda", "\r\n"},
        {"2025-07-14 09:00:00;192.168.1.20;52000;\"Oda; 1", "\"\r\n"},
        {"2025-07-14 09:00:00;192.168.1.20;52000;\"Oda \"\"", "\"\r\n"},
        {"2025-07-14 09:00:00;192.168.1.20;52000;\"Oda \"\"1\"\";2\"", "\r\n"},
        {"2025-07-14 09:00:00;192.168.1.20;52000;\"Oda\r", "\"\r\n"},
        {"2025-07-14 09:00:00;192.168.1.20;52000;Oda 101;1.1.2.12;;;;kart\r", "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cut);
        fs::remove_all(folder());
        fs::create_directories(folder());
        writeBytes(july(), header + issuedLine + c.cut);
        CardRecord record(folder());
        ASSERT_TRUE(record.append(issuedCard()));
        const std::string now = contents(july());
        EXPECT_EQ(now, header + issuedLine + c.cut + c.after + issuedLine);
        const auto records = readCsv(now, 3);
        ASSERT_EQ(records.size(), 4u);
        EXPECT_EQ(records[3].begin, now.size() - issuedLine.size());
        EXPECT_EQ(records[3].fields.size(), 9u);
    }
}

// A folder in the file's place: the line cannot be written, and waits for the next append,
// which writes it, in order, once the cause is gone.
TEST_F(CardRecordTest, ALineThatCannotBeWrittenWaitsForTheNextAppend) {
    fs::create_directories(july());
    CardRecord record(folder());
    ASSERT_FALSE(record.append(issuedCard()));
    EXPECT_FALSE(record.failure().empty());
    EXPECT_EQ(record.failedPath(), july());
    EXPECT_EQ(record.waiting(), 1u);

    CardRecordEntry second = issuedCard();
    second.roomName = "Oda 102";
    CardRecordEntry august = issuedCard();
    august.localTime = localTime(2025, 8, 1, 0, 0, 0);
    EXPECT_FALSE(record.append(second));
    // Another month's file takes its line whatever July's does.
    EXPECT_FALSE(record.append(august));
    EXPECT_EQ(record.waiting(), 2u);
    EXPECT_EQ(contents(file("Kartlar-2025-08.csv")), header + CardRecord::lineFor(august));
    EXPECT_TRUE(fs::is_directory(july()));

    fs::remove(july());
    CardRecordEntry third = issuedCard();
    third.roomName = "Oda 103";
    ASSERT_TRUE(record.append(third)) << record.failure();
    EXPECT_TRUE(record.failure().empty());
    EXPECT_EQ(record.waiting(), 0u);
    EXPECT_EQ(contents(july()),
              header + issuedLine + CardRecord::lineFor(second) + CardRecord::lineFor(third));
}

TEST_F(CardRecordTest, AFileInTheFoldersPlaceFailsEveryLineUntilItGoes) {
    writeBytes(m_dir.file("Kartlar"), "not a folder");
    CardRecord record(folder());
    EXPECT_FALSE(record.append(issuedCard()));
    EXPECT_FALSE(record.failure().empty());
    EXPECT_EQ(contents(m_dir.file("Kartlar")), "not a folder");
    fs::remove(m_dir.file("Kartlar"));
    EXPECT_TRUE(record.append(issuedCard()));
    EXPECT_EQ(contents(july()), header + issuedLine + issuedLine);
}

// However long the disk refuses, the lines held for it stay bounded: the oldest go.
TEST_F(CardRecordTest, TheLinesThatWaitAreBounded) {
    fs::create_directories(july());
    CardRecord record(folder());
    CardRecordEntry entry = issuedCard();
    for (std::size_t i = 0; i <= CardRecord::maxWaiting; ++i) {
        entry.senderPort = static_cast<int>(i);
        EXPECT_FALSE(record.append(entry));
    }
    EXPECT_EQ(record.waiting(), CardRecord::maxWaiting);
    fs::remove(july());
    entry.senderPort = 99999;
    ASSERT_TRUE(record.append(entry));
    const auto records = readCsv(contents(july()), 3);
    ASSERT_EQ(records.size(), CardRecord::maxWaiting + 1);
    EXPECT_EQ(records[1].fields[2], "2");
    EXPECT_EQ(records.back().fields[2], "99999");
}

} // namespace
} // namespace zorva::app
