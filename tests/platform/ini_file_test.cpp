#include "platform/ansi_text.h"
#include "platform/error.h"
#include "platform/ini_file.h"
#include "tests/platform/ini_file_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace zorva::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::readBytes;
using testing::utf16File;
using testing::writeBytes;

const std::filesystem::path fixtures = ZORVA_PLATFORM_FIXTURES;

using test::IniFileTest;

TEST_F(IniFileTest, ReadsValuesByTheProfileRules) {
    const IniFile ini = fileWith("[S]\r\n"
                                 "k1 = value \r\n"
                                 "k2=\tvalue\t\r\n"
                                 "  k3  =  \t value with  inner  blanks \t  \r\n"
                                 "k4='single'\r\n"
                                 "k5=\"double\"\r\n"
                                 "k6='mismatch\"\r\n"
                                 "k8='\r\n"
                                 "k10=\"\"\r\n"
                                 "k12=\"a\"b\"\r\n"
                                 "k13= \" padded \" \r\n"
                                 "k14=\"unterminated\r\n"
                                 "k15=x\"y\"\r\n"
                                 "k16=value ;no inline comments\r\n"
                                 "k17=a=b\r\n"
                                 "empty=  \r\n"
                                 "#hash=an ordinary key\r\n"
                                 "; comment=not a key\r\n"
                                 "noequals\r\n");
    const struct {
        const char* key;
        const char* expected;
    } cases[] = {
        {"k1", "value"},
        {"k2", "value"},
        {"k3", "value with  inner  blanks"},
        {"k4", "single"},
        {"k5", "double"},
        {"k6", "'mismatch\""},
        {"k8", "'"},
        {"k10", ""},
        {"k12", "a\"b"},
        {"k13", " padded "},
        {"k14", "\"unterminated"},
        {"k15", "x\"y\""},
        {"k16", "value ;no inline comments"},
        {"k17", "a=b"},
        {"K1", "value"},
        {" k1\t", "value"},
        {"empty", ""}, // an empty value is a value, not the default
        {"#hash", "an ordinary key"},
        {"; comment", "DEF"},
        {"noequals", "DEF"},
        {"missing", "DEF"},
        {"", "DEF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.readString("S", c.key, "DEF"), c.expected) << c.key;
    EXPECT_EQ(ini.readString("s", "k1", "DEF"), "value");
    EXPECT_EQ(ini.readString("T", "k1", "DEF"), "DEF");
    EXPECT_EQ(ini.readString("S", "missing", "def  "), "def");
    EXPECT_EQ(ini.readString("S", "missing", "  'def'"), "  'def'");
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyOfAName) {
    const IniFile ini = fileWith("top=1\r\n"
                                 "[D]\r\nk=first\r\nk=second\r\n"
                                 "[E]\r\n"
                                 "[d]\r\nk=third\r\nj=only here\r\n");
    EXPECT_EQ(ini.readString("D", "k", "DEF"), "first");
    EXPECT_EQ(ini.readString("D", "j", "DEF"), "DEF");
    EXPECT_EQ(ini.readString("", "top", "DEF"), "DEF"); // lines before any header have no section
    EXPECT_THAT(ini.sectionNames(), ElementsAre("D", "E", "d"));
    EXPECT_THAT(ini.keyNames("d"), ElementsAre("k", "k"));
    EXPECT_THAT(ini.sectionValues("D"), ElementsAre("k=first", "k=first"));
    EXPECT_THAT(ini.keyNames("E"), IsEmpty());
    EXPECT_THAT(ini.keyNames("missing"), IsEmpty());

    const auto all = ini.readAllSections();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_THAT(all[0].lines, ElementsAre("k=first", "k=first"));
    EXPECT_THAT(all[1].lines, IsEmpty());
    EXPECT_EQ(all[2].name, "d");
    EXPECT_THAT(all[2].lines, ElementsAre("k=third", "j=only here"));
}

TEST_F(IniFileTest, SectionHeaderForms) {
    const IniFile ini = fileWith(" [S1] trailing text\r\n"
                                 "[S2\r\n"
                                 "b=2\r\n"
                                 "[S3]]\r\n"
                                 "[ S4 ]\r\n"
                                 "[S5];c\r\n"
                                 "[]\r\n"
                                 "hidden=1\r\n"
                                 "\xef\xbb\xbf[S6]\r\n");
    // A byte-order mark is no blank: as on Windows, it keeps its line from being a header.
    EXPECT_THAT(ini.sectionNames(), ElementsAre("S1", "S3]", "S4", "S5"));
    // "[S2" has no closing bracket: a line of S1, and without "=" no key.
    EXPECT_THAT(ini.keyNames("S1"), ElementsAre("b"));
    EXPECT_EQ(ini.readString("S1", "b", ""), "2");
}

TEST_F(IniFileTest, EveryLineEndCounts) {
    for (const char* text :
         {"[S]\nk=v\n[T]\nj=w", "[S]\rk=v\r[T]\rj=w", "[S]\r\nk=v\r\n[T]\nj=w"}) {
        const IniFile ini = fileWith(text);
        EXPECT_THAT(ini.sectionNames(), ElementsAre("S", "T"));
        EXPECT_EQ(ini.readString("S", "k", ""), "v");
        EXPECT_EQ(ini.readString("T", "j", ""), "w");
    }
}

TEST_F(IniFileTest, UnicodeFileReadsInAnsiTextAndStaysUnicode) {
    const std::u16string before = u"; 中文 and Ω stay as they are\r\n"
                                  u"[Oda]\r\n"
                                  u"ad = Güneş Süit\r\n"
                                  u"kat=İkinci\n"
                                  u"not=Ω 中\r\n"
                                  u"\r\n"
                                  u"[Diğer]\r"
                                  u"x=1";
    const std::u16string after = u"; 中文 and Ω stay as they are\r\n"
                                 u"[Oda]\r\n"
                                 u"ad = Güneş Süit\r\n"
                                 u"kat=Üçüncü\r\n"
                                 u"not=Ω 中\r\n"
                                 u"yeni=Ş\r\n"
                                 u"\r\n"
                                 u"[Diğer]\r\n"
                                 u"x=1\r\n"
                                 u"[Çatı]\r\n"
                                 u"k=ı\r\n";
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big endian" : "little endian");
        IniFile ini = fileWith(utf16File(before, bigEndian));
        EXPECT_THAT(ini.sectionNames(), ElementsAre("Oda", utf8ToAnsi("Diğer")));
        EXPECT_EQ(ini.readString("ODA", "ad", ""), utf8ToAnsi("Güneş Süit"));
        EXPECT_EQ(ini.readString("Oda", "kat", ""), utf8ToAnsi("İkinci"));
        // What Windows-1254 cannot hold reads as "?".
        EXPECT_EQ(ini.readString("Oda", "not", ""), "? ?");
        EXPECT_EQ(ini.readString(utf8ToAnsi("diğer"), "x", ""), "1");

        ini.writeString("Oda", "kat", utf8ToAnsi("Üçüncü"));
        ini.writeString("Oda", "yeni", utf8ToAnsi("Ş"));
        ini.writeString("Oda", "ad", utf8ToAnsi("Güneş Süit")); // reads back the same
        ini.writeString(utf8ToAnsi("Çatı"), "k", utf8ToAnsi("ı"));
        ini.close();
        EXPECT_EQ(readBytes(path()), utf16File(after, bigEndian));
    }
}

TEST_F(IniFileTest, ReplacingAUnicodeFileWritesAnsiText) {
    writeBytes(path(), utf16File(u"[Old]\r\na=Ω\r\n"));
    IniFile ini(path(), IniFile::Mode::Replace);
    EXPECT_THAT(ini.sectionNames(), IsEmpty());
    ini.writeString("Oda", "ad", "\xDE");
    ini.close();
    EXPECT_EQ(readBytes(path()), "[Oda]\r\nad=\xDE\r\n");
}

TEST_F(IniFileTest, OnlyTheUtf16MarksMakeAUnicodeFile) {
    // Windows does not know the UTF-8 mark: it keeps the first line from being a header, and a
    // write leaves it where it is, the file staying ANSI text.
    IniFile utf8 = fileWith("\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n");
    EXPECT_THAT(utf8.sectionNames(), IsEmpty());
    utf8.writeString("S", "k", "\xE7");
    utf8.close();
    EXPECT_EQ(readBytes(path()), "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n[S]\r\nk=\xE7\r\n");

    // A mark alone is an empty Unicode file; an odd last byte is no character.
    IniFile empty = fileWith("\xFF\xFE");
    EXPECT_THAT(empty.sectionNames(), IsEmpty());
    empty.writeString("S", "k", "v");
    empty.close();
    EXPECT_EQ(readBytes(path()), utf16File(u"[S]\r\nk=v\r\n"));
    EXPECT_EQ(fileWith(utf16File(u"[S]\r\nk=v") + "\x41").readString("S", "k", ""), "v");
}

TEST_F(IniFileTest, LongValuesAreCutForSingleReadsOnly) {
    const std::string longValue(3000, 'x');
    const IniFile ini = fileWith("[S]\r\nk=" + longValue + "\r\nq=\"" + longValue + "\"\r\n");
    EXPECT_EQ(ini.readString("S", "k", ""), longValue.substr(0, 2047));
    EXPECT_EQ(ini.readString("S", "q", ""), longValue.substr(0, 2047));
    EXPECT_EQ(ini.sectionValues("S")[0], "k=" + longValue.substr(0, 2047));
    EXPECT_EQ(ini.readAllSections()[0].lines[0], "k=" + longValue);
}

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndTheFirstWriteCreatesIt) {
    IniFile ini(path());
    EXPECT_FALSE(ini.readFailed());
    EXPECT_THAT(ini.sectionNames(), IsEmpty());
    EXPECT_EQ(ini.readString("Sec", "Key", "d"), "d");
    ini.writeString("Sec", "Key", "value");
    EXPECT_FALSE(std::filesystem::exists(path())); // nothing reaches the disk before close
    ini.close();
    EXPECT_EQ(readBytes(path()), "[Sec]\r\nKey=value\r\n");
}

TEST_F(IniFileTest, WritesKeepTheLinesTheyDoNotTouch) {
    writeBytes(path(), readBytes(fixtures / "hand_kept_before.ini"));
    IniFile ini(path());
    ini.writeString("main", "PORT", "5050");    // first of two sections, spelling kept
    ini.writeString("Main", "Added", "v");      // after the comments, before the blank line
    ini.writeString("Other", "X", "1");         // reads back the same: the line stays
    ini.writeString("Main", "name", "'Lobby'"); // likewise
    ini.writeString("New", "k", "");
    EXPECT_EQ(ini.readString("MAIN", "port", ""), "5050");
    ini.close();
    EXPECT_EQ(readBytes(path()), readBytes(fixtures / "hand_kept_after.ini"));
}

TEST_F(IniFileTest, NewSectionFollowsWithoutBlankLine) {
    IniFile ini = fileWith("[A]\r\nx=1");
    ini.writeString("B", "y", "2");
    ini.writeString("A", "z", "3");
    ini.writeString("B", "y", "22");
    ini.close();
    EXPECT_EQ(readBytes(path()), "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=22\r\n");
}

TEST_F(IniFileTest, LineBreaksInAValueCannotSplitItsLine) {
    IniFile ini(path());
    ini.writeString("S", "nl", "line1\r\n[T]\nline2");
    ini.close();
    EXPECT_EQ(readBytes(path()), "[S]\r\nnl=line1  [T] line2\r\n");
}

TEST_F(IniFileTest, UnchangedDocumentIsNotRewritten) {
    const std::string bytes = "[S]\nk = v\n\n\n";
    IniFile ini = fileWith(bytes);
    ini.writeString("S", "k", "v");
    EXPECT_FALSE(ini.modified());
    ini.close();
    EXPECT_EQ(readBytes(path()), bytes);
}

TEST_F(IniFileTest, ReplaceWithNothingWrittenLeavesNoFile) {
    writeBytes(path(), "[Old]\r\na=1\r\n");
    IniFile(path(), IniFile::Mode::Replace).close();
    EXPECT_FALSE(std::filesystem::exists(path()));
    IniFile(path(), IniFile::Mode::Replace).close(); // and none to remove is fine
}

TEST_F(IniFileTest, DirectoryInTheWayIsRefused) {
    std::filesystem::create_directory(path());
    IniFile ini(path());
    EXPECT_TRUE(ini.readFailed());
    ini.writeString("S", "k", "v");
    EXPECT_THROW(ini.close(), Error);
    EXPECT_TRUE(std::filesystem::is_directory(path()));
}

TEST_F(IniFileTest, MissingDirectoryIsRefused) {
    IniFile ini(m_dir.file("no/such/dir/test.ini"));
    ini.writeString("S", "k", "v");
    EXPECT_THROW(ini.close(), Error);
}

TEST_F(IniFileTest, NamesMustNotBeEmpty) {
    IniFile ini(path());
    EXPECT_THROW(ini.writeString(" ", "k", "v"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("S", "", "v"), std::invalid_argument);
    EXPECT_FALSE(ini.modified());
}

} // namespace
} // namespace zorva::platform
