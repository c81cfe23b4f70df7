#include "platform/date_text.h"
#include "ui/format_settings_from_locale.h"

#include <gtest/gtest.h>

using namespace zorva;

TEST(FormatSettingsFromLocale, QtPatternsBecomePictures) {
    const std::pair<const char*, const char*> cases[] = {
        {"d.MM.yyyy", "d.mm.yyyy"},
        {"HH:mm:ss", "hh:nn:ss"},
        {"h:mm:ss AP t", "h:nn:ss ampm"},
        {"M/d/yy", "m/d/yy"},
        {"yyyy-MM-dd", "yyyy-mm-dd"},
        {"dd 'de' MMMM", "dd \"de\" mmmm"},
        {"HH:mm:ss t", "hh:nn:ss"},
        // What the code page cannot hold goes, and fields it separated get their separator.
        {"d\u200f/M\u200f/yyyy", "d/m/yyyy"},
        {"\u202bd.M.yyyy\u202c", "d.m.yyyy"},
        {"H\u6642mm\u5206ss\u79d2 t", "h:nn:ss"},
        {"AP h\uc2dc m\ubd84 s\ucd08 t", "ampm h:nn:ss"},
        {"yyyy\u5e74M\u6708d\u65e5", "yyyy/m/d"},
        {"d.MM.yy '\u0433'.", "d.mm.yy"},
        {"H:mm:ss (t)", "h:nn:ss"},
        {"t HH:mm:ss", "hh:nn:ss"},
        {"HH:mm:ss\u202fAP", "hh:nn:ss ampm"},
    };
    for (const auto& [qt, picture] : cases)
        EXPECT_EQ(ui::pictureFromQtPattern(QString::fromUtf8(qt)), picture) << qt;
}

TEST(FormatSettingsFromLocale, TurkishReadsWhatAWindowsFrontOfficeWrites) {
    const auto tr = ui::formatSettingsFromLocale(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_EQ(tr.dateSeparator, '.');
    EXPECT_EQ(tr.timeSeparator, ':');
    EXPECT_EQ(tr.decimalSeparator, ',');
    EXPECT_EQ(tr.shortDateFormat.find('d'), 0u) << tr.shortDateFormat;
    platform::DateTime v;
    ASSERT_TRUE(platform::tryStrToDateTime("29.07.2025 14:30", tr, 2025, v));
    EXPECT_EQ(v.fields(), (platform::CalendarFields{2025, 7, 29, 14, 30}));
    EXPECT_EQ(platform::dateTimeToStr(v, tr), "29.07.2025 14:30:00");
}

TEST(FormatSettingsFromLocale, UnitedStatesIsMonthFirstWithDesignators) {
    const auto us = ui::formatSettingsFromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(us.dateSeparator, '/');
    EXPECT_EQ(us.timeAmString, "AM");
    EXPECT_EQ(us.timePmString, "PM");
    platform::DateTime v;
    ASSERT_TRUE(platform::tryStrToDateTime("7/29/2025 2:30 PM", us, 2025, v));
    EXPECT_EQ(v.fields(), (platform::CalendarFields{2025, 7, 29, 14, 30}));
    EXPECT_EQ(platform::dateTimeToStr(v, us), "7/29/25 2:30:00 PM");
}

TEST(FormatSettingsFromLocale, EachRegionReadsWhatItsFrontOfficeSends) {
    using L = QLocale;
    const struct {
        L::Language language;
        L::Territory territory;
        const char* sent; // ASCII digits, in the order and with the separators of the region
        char dateSeparator;
        char decimalSeparator;
        const char* pm;
    } cases[] = {
        {L::Turkish, L::Turkey, "29.07.2025 14:00", '.', ',', "\xD6S"},
        {L::English, L::UnitedStates, "7/29/2025 2:00:00 PM", '/', '.', "PM"},
        {L::German, L::Germany, "29.07.2025 14:00:00", '.', ',', "PM"},
        {L::Arabic, L::SaudiArabia, "29/7/2025 2:00:00 PM", '/', '.', "PM"},
        {L::Arabic, L::Morocco, "29/07/2025 14:00:00", '/', ',', "PM"},
        {L::Persian, L::Iran, "2025/7/29 14:00:00", '/', '.', "PM"},
        {L::Hebrew, L::Israel, "29.7.2025 14:00:00", '.', '.', "PM"},
        {L::Japanese, L::Japan, "2025/07/29 14:00:00", '/', '.', "PM"},
        {L::Korean, L::SouthKorea, "2025. 7. 29. PM 2:00:00", '.', '.', "PM"},
        {L::Chinese, L::China, "2025/7/29 14:00:00", '/', '.', "PM"},
        {L::Greek, L::Greece, "29/7/2025 2:00:00 PM", '/', ',', "PM"},
        {L::Russian, L::Russia, "29.07.2025 14:00:00", '.', ',', "PM"},
        {L::Bulgarian, L::Bulgaria, "29.07.2025 14:00:00", '.', ',', "PM"},
        {L::Thai, L::Thailand, "29/7/2025 14:00:00", '/', '.', "PM"},
        {L::Finnish, L::Finland, "29.7.2025 14.00.00", '.', ',', "ip."},
    };
    for (const auto& c : cases) {
        const QLocale locale(c.language, c.territory);
        SCOPED_TRACE(locale.name().toStdString());
        const auto s = ui::formatSettingsFromLocale(locale);
        EXPECT_EQ(s.dateSeparator, c.dateSeparator);
        EXPECT_EQ(s.decimalSeparator, c.decimalSeparator);
        EXPECT_EQ(s.timePmString, c.pm);
        platform::DateTime v;
        ASSERT_TRUE(platform::tryStrToDateTime(c.sent, s, 2025, v)) << c.sent;
        EXPECT_EQ(v.fields(), (platform::CalendarFields{2025, 7, 29, 14, 0}));
        // A '?' is what the conversion leaves of a character the code page cannot hold.
        for (const std::string& text :
             {std::string(1, s.dateSeparator), std::string(1, s.timeSeparator),
              std::string(1, s.decimalSeparator), s.timeAmString, s.timePmString, s.shortDateFormat,
              s.longTimeFormat})
            EXPECT_EQ(text.find('?'), std::string::npos) << text;
        // The log's times are written by the same settings, and read back.
        const std::string written = platform::dateTimeToStr(v, s);
        EXPECT_EQ(written.find('?'), std::string::npos) << written;
        platform::DateTime back;
        EXPECT_TRUE(platform::tryStrToDateTime(written, s, 2025, back)) << written;
        EXPECT_EQ(back.fields(), v.fields()) << written;
    }
}
