#include "platform/date_text.h"
#include "ui/start_format_settings.h"

#include <gtest/gtest.h>

using namespace zorva;

namespace {

bool reads(const char* text, const platform::FormatSettings& settings,
           platform::CalendarFields expected) {
    platform::DateTime v;
    return platform::tryStrToDateTime(text, settings, 2025, v) && v.fields() == expected;
}

const platform::CalendarFields checkIn{2025, 7, 29, 14, 0};

} // namespace

TEST(StartFormatSettings, WithoutRegionalSettingsDatesAreReadTheTurkishWayAndTheLogSaysSo) {
    // What the system locale is then.
    const auto start = ui::startFormatSettings(QLocale::c(), false);
    EXPECT_EQ(start.notice, "Bölge ayarları bulunamadı; tarihler Türkçe (tr_TR) ayarlarla "
                            "okunuyor: tarih d.MM.yyyy, saat HH:mm:ss");
    EXPECT_TRUE(reads("29.07.2025 14:00", start.settings, checkIn));
    EXPECT_TRUE(reads("29.07.2025 14:00:00", start.settings, checkIn));
    platform::DateTime v;
    ASSERT_TRUE(platform::tryStrToDateTime("29.07.2025 14:00", start.settings, 2025, v));
    EXPECT_EQ(platform::dateTimeToStr(v, start.settings), "29.07.2025 14:00:00");
}

TEST(StartFormatSettings, TheUsersOwnSettingsAreUsedAndNothingIsSaid) {
    const auto us = ui::startFormatSettings(QLocale(QLocale::English, QLocale::UnitedStates), true);
    EXPECT_TRUE(us.notice.empty());
    EXPECT_TRUE(reads("7/29/2025 2:00 PM", us.settings, checkIn));
    EXPECT_FALSE(reads("29.07.2025 14:00", us.settings, checkIn));
}
