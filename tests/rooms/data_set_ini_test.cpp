#include "platform/ansi_text.h"
#include "platform/error.h"
#include "rooms/data_set_ini.h"
#include "rooms/room_table.h"
#include "tests/rooms/data_set_ini_fixture.h"
#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>

namespace zorva::rooms {
namespace {

using platform::DateTime;
using ::testing::ElementsAre;
using testing::readBytes;
using ::testing::StartsWith;
using testing::TempDirectory;
using testing::writeBytes;

const std::filesystem::path fixtures = ZORVA_ROOMS_FIXTURES;

using test::DataSetIniTest;
using test::Room;

TEST_F(DataSetIniTest, TwoRoomsSaveAsTwelveLinesAndTheCursorStays) {
    add({1, 1, 2, 12, "201"});
    add({1, 1, 2, 13, ""});
    table->first();
    SaveDataSetToIni(*table, path());
    EXPECT_EQ(readBytes(path()), readBytes(fixtures / "two_rooms.ini"));
    EXPECT_EQ(table->recNo(), 1);
    EXPECT_FALSE(table->controlsDisabled());
    EXPECT_EQ(testing::entryCount(m_dir.path()), 1u);
}

TEST_F(DataSetIniTest, SectionsFollowTheTableOrderWithoutStaleOnes) {
    add({1, 1, 1, 1, "101"});
    add({1, 1, 1, 2, "102"});
    add({1, 1, 1, 3, "103"});
    SaveDataSetToIni(*table, path());
    table->moveToRecNo(2);
    table->deleteRecord();
    SaveDataSetToIni(*table, path());
    EXPECT_EQ(readBytes(path()),
              "[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=1\r\nODA=1\r\nODA_STR=101\r\n"
              "[RecNo2]\r\nALAN=1\r\nBINA=1\r\nKAT=1\r\nODA=3\r\nODA_STR=103\r\n");
    EXPECT_EQ(table->field("ODA_STR").asString(), "103");
}

TEST_F(DataSetIniTest, EmptyTableLeavesNoFile) {
    writeBytes(path(), readBytes(fixtures / "two_rooms.ini"));
    SaveDataSetToIni(*table, path());
    EXPECT_FALSE(std::filesystem::exists(path()));
    SaveDataSetToIni(*table, path());
    EXPECT_FALSE(std::filesystem::exists(path()));
}

TEST_F(DataSetIniTest, HandEditedFileLoadsSectionBySectionAndSavesRenumbered) {
    writeBytes(path(), readBytes(fixtures / "hand_edited_rooms.ini"));
    add({9, 9, 9, 9, "old"});
    table->append(); // a pending change is finished before the table is emptied
    posts = 0;
    LoadDataSetFromIni(*table, path());
    EXPECT_THAT(rows(), ElementsAre("- - - 7 101", "- 31 - - A", "- - - - -", "- - - - -",
                                    "- - - 8 \xfe\xfd\xf0 \xc7"));
    EXPECT_EQ(posts, 5);
    EXPECT_EQ(table->recNo(), 1);
    EXPECT_EQ(table->state(), DataSetState::Browse);
    EXPECT_FALSE(table->controlsDisabled());

    SaveDataSetToIni(*table, path());
    EXPECT_EQ(readBytes(path()), readBytes(fixtures / "hand_edited_saved.ini"));
}

// A room file that a text editor saved as "Unicode" loads whole, and the next save writes it as
// ANSI text, as the profile functions write a new file.
TEST_F(DataSetIniTest, UnicodeRoomFileLoadsWholeAndSavesAsAnsiText) {
    writeBytes(path(), readBytes(fixtures / "two_rooms_unicode.ini"));
    LoadDataSetFromIni(*table, path());
    const std::string first = platform::utf8ToAnsi("Güneş Süit");
    const std::string second = platform::utf8ToAnsi("Kış Bahçesi İç");
    EXPECT_THAT(rows(), ElementsAre("1 1 2 12 " + first, "1 1 2 13 " + second));
    SaveDataSetToIni(*table, path());
    EXPECT_EQ(readBytes(path()),
              "[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=12\r\nODA_STR=" + first +
                  "\r\n[RecNo2]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=13\r\nODA_STR=" + second +
                  "\r\n");
}

TEST_F(DataSetIniTest, NameLoadsCutToTheFieldSize) {
    writeBytes(path(), "[RecNo1]\r\nODA_STR=" + std::string(101, 'n') + "\r\n");
    LoadDataSetFromIni(*table, path());
    EXPECT_EQ(table->field("ODA_STR").asString(), std::string(100, 'n'));
}

TEST_F(DataSetIniTest, MissingFileGivesAnEmptyTable) {
    add({1, 1, 1, 1, "101"});
    LoadDataSetFromIni(*table, m_dir.file("none.ini"));
    EXPECT_TRUE(table->isEmpty());
    EXPECT_EQ(table->recNo(), 0);
}

TEST_F(DataSetIniTest, UnreadableFileRaisesAndKeepsTheTable) {
    add({1, 1, 1, 1, "101"});
    std::filesystem::create_directory(path());
    try {
        LoadDataSetFromIni(*table, path());
        ADD_FAILURE() << "the load went through";
    } catch (const platform::Error& e) {
        EXPECT_THAT(e.what(), StartsWith("Cannot open file \"" + path() + "\". "));
    }
    EXPECT_THAT(rows(), ElementsAre("1 1 1 1 101"));
}

TEST_F(DataSetIniTest, FiveThousandRoomsSaveAndLoadWhole) {
    constexpr int count = 5000;
    for (int i = 1; i <= count; ++i)
        add({i % 4, i % 7, i % 256, i, "Oda " + std::to_string(i)});
    table->moveToRecNo(1234);
    SaveDataSetToIni(*table, path());
    EXPECT_EQ(table->recNo(), 1234);
    const std::string text = readBytes(path());
    EXPECT_NE(text.find("\r\n[RecNo5000]\r\nALAN=0\r\nBINA=2\r\nKAT=136\r\nODA=5000\r\n"
                        "ODA_STR=Oda 5000\r\n"),
              std::string::npos);

    auto loaded = makeRoomTable();
    LoadDataSetFromIni(*loaded, path());
    ASSERT_EQ(loaded->recordCount(), count);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(loaded->recordAt(i), table->recordAt(i)) << "record " << i + 1;
    SaveDataSetToIni(*loaded, m_dir.file("again.ini"));
    EXPECT_EQ(readBytes(m_dir.file("again.ini")), text);
}

class TypedTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.setFormatSettings(platform::FormatSettings::turkish()); // decimal comma
        table.open();
    }

    MemoryDataSet table{"Typed",
                        {{"I", FieldType::Integer},
                         {"S", FieldType::String, 20},
                         {"B", FieldType::Boolean},
                         {"F", FieldType::Float},
                         {"C", FieldType::Currency},
                         {"D", FieldType::Date},
                         {"T", FieldType::Time},
                         {"DT", FieldType::DateTime}}};
    TempDirectory m_dir;
};

DateTime at(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0) {
    DateTime value;
    EXPECT_TRUE(DateTime::tryFromFields({year, month, day, hour, minute, second, ms}, value));
    return value;
}

TEST_F(TypedTableTest, EveryTypeRoundTripsUnderADecimalComma) {
    table.append();
    table.field("I").setAsInteger(-42);
    table.field("S").setAsString("Kat \xDE");
    table.field("B").setAsBoolean(true);
    table.field("F").setAsFloat(1.5);
    table.field("C").setAsFloat(-1234.5678);
    table.field("D").setAsDateTime(at(2025, 7, 29, 0, 0));
    table.field("T").setAsDateTime(at(1899, 12, 30, 18, 0));
    table.field("DT").setAsDateTime(at(1899, 12, 29, 6, 0));
    table.post();
    table.append();
    table.field("B").setAsBoolean(false);
    table.field("F").setAsFloat(1.0 / 3);
    table.field("DT").setAsDateTime(at(2025, 7, 31, 12, 0, 30, 125));
    table.post();

    const std::string file = m_dir.file("typed.ini");
    SaveDataSetToIni(table, file);
    EXPECT_EQ(readBytes(file),
              "[RecNo1]\r\nI=-42\r\nS=Kat \xDE\r\nB=-1\r\nF=1.5\r\nC=-1234.5678\r\n"
              "D=45867\r\nT=0.75\r\nDT=-1.25\r\n"
              "[RecNo2]\r\nI=\r\nS=\r\nB=0\r\nF=0.333333333333333\r\nC=\r\n"
              "D=\r\nT=\r\nDT=45869.500348669\r\n");

    MemoryDataSet loaded("Typed", table.fieldDefs());
    loaded.setFormatSettings(platform::FormatSettings::turkish());
    LoadDataSetFromIni(loaded, file);
    ASSERT_EQ(loaded.recordCount(), 2);
    EXPECT_EQ(loaded.recordAt(0), table.recordAt(0));
    loaded.next();
    EXPECT_FALSE(loaded.field("B").asBoolean());
    EXPECT_FALSE(loaded.field("B").isNull());
    EXPECT_DOUBLE_EQ(loaded.field("F").asFloat(), 0.333333333333333);
    EXPECT_EQ(loaded.field("DT").asDateTime(), at(2025, 7, 31, 12, 0, 30, 125));
}

TEST_F(TypedTableTest, ValuesThatDoNotConvertStayNull) {
    const struct {
        const char* line;
        const char* field;
        const char* expected; // the field's text after loading; "-" for null
    } cases[] = {
        {"B=5", "B", "True"},    {"B=TRUE", "B", "True"}, {"B=false", "B", "False"},
        {"B=yes", "B", "False"}, {"B=-1", "B", "True"},   {"F=2.25", "F", "2,25"},
        {"F=2,25", "F", "2,25"}, {"F=abc", "F", "-"},     {"C=1e3", "C", "1000"},
        {"I=0x10", "I", "16"},   {"I=1.5", "I", "-"},     {"I=99999999999", "I", "-"},
        {"D=abc", "D", "-"},     {"D=1e300", "D", "-"},   {"DT=nan", "DT", "-"},
        {"D=-693594", "D", "-"}, {"D=2958466", "D", "-"}, {"T=0.5", "T", "12:00:00"},
    };
    const std::string file = m_dir.file("typed.ini");
    for (const auto& c : cases) {
        writeBytes(file, std::string("[R]\r\nS=kept\r\n") + c.line + "\r\n");
        LoadDataSetFromIni(table, file);
        ASSERT_EQ(table.recordCount(), 1) << c.line;
        const Field field = table.field(c.field);
        EXPECT_EQ(field.isNull() ? "-" : field.asString(), c.expected) << c.line;
        EXPECT_EQ(table.field("S").asString(), "kept") << c.line;
    }
}

} // namespace
} // namespace zorva::rooms
