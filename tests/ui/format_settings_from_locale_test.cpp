#include "platform/date_text.h"
#include "ui/format_settings_from_locale.h"

#include <gtest/gtest.h>

using namespace zorva;

TEST(FormatSettingsFromLocale, QtPatternsBecomePictures) {
    const std::pair<const char*, const char*> cases[] = {
        {"d.MM.yyyy", "d.mm.yyyy"},       {"HH:mm:ss", "hh:nn:ss"},
        {"h:mm:ss AP t", "h:nn:ss ampm"}, {"M/d/yy", "m/d/yy"},
        {"yyyy-MM-dd", "yyyy-mm-dd"},     {"dd 'de' MMMM", "dd \"de\" mmmm"},
        {"HH:mm:ss t", "hh:nn:ss"},
    };
    for (const auto& [qt, picture] : cases)
        EXPECT_EQ(ui::pictureFromQtPattern(QString::fromLatin1(qt)), picture) << qt;
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
