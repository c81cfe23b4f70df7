#include "platform/ansi_text.h"

#include <gtest/gtest.h>

using namespace zorva::platform;

TEST(AnsiText, TurkishLettersConvertBothWays) {
    const std::string ansi = "\xC7\xD0\xDD\xD6\xDE\xDC \xE7\xF0\xFD\xF6\xFE\xFC \x80";
    const std::string utf8 = "ÇĞİÖŞÜ çğıöşü €";
    EXPECT_EQ(ansiToUtf8(ansi), utf8);
    EXPECT_EQ(utf8ToAnsi(utf8), ansi);
}

TEST(AnsiText, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(all)), all);
}

TEST(AnsiText, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToAnsi("a\xE4\xB8\xAD"
                         "b"),
              "a?b"); // a CJK character
    EXPECT_EQ(utf8ToAnsi("a\xFF"
                         "b"),
              "a?b");                   // not UTF-8 at all
    EXPECT_EQ(utf8ToAnsi("\xC3"), "?"); // cut short
}

TEST(AnsiText, Utf16ConvertsBothWaysAndLacksWhatTheCodePageLacks) {
    const std::string ansi = "\xC7\xD0\xDD\xD6\xDE\xDC \xE7\xF0\xFD\xF6\xFE\xFC \x80";
    const std::u16string utf16 = u"ÇĞİÖŞÜ çğıöşü €";
    EXPECT_EQ(ansiToUtf16(ansi), utf16);
    EXPECT_EQ(utf16ToAnsi(utf16), ansi);

    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf16ToAnsi(ansiToUtf16(all)), all);

    const struct {
        std::u16string utf16;
        const char* ansi;
    } lacking[] = {
        {u"a\u4E2D"
         u"b",
         "a?b"}, // a CJK character
        {u"a\U0001F600"
         u"b",
         "a?b"}, // one character in two units
        {u"a\xD83D"
         u"b\xDE00",
         "a?b?"}, // surrogates that make no pair
    };
    for (const auto& c : lacking)
        EXPECT_EQ(utf16ToAnsi(c.utf16), c.ansi) << c.ansi;
}

TEST(AnsiText, IgnoreCaseComparison) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"ODA", "oda", true},
        {"ODA", "Oda", true},
        {"CIN", "cin", true},
        {"CIN", "C\xDDN", true},
        {"cin", "c\xFDn", false},
        {"ODA ", "ODA", false},
        {"\xC7"
         "IKI\xDE",
         "\xE7iki\xFE", true},
        {"CO-UT", "COUT", false},
        {"", "", true},
        {"\xD0", "\xF0", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sameTextIgnoreCase(c.a, c.b), c.same) << c.a << " / " << c.b;
}
