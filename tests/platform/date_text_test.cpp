#include "platform/date_text.h"
#include "platform/error.h"

#include <gtest/gtest.h>

#include <optional>

using namespace zorva::platform;

namespace {

std::optional<CalendarFields> read(std::string_view text, const FormatSettings& fs,
                                   int year = 2025) {
    DateTime value;
    if (!tryStrToDateTime(text, fs, year, value))
        return std::nullopt;
    return value.fields();
}

CalendarFields at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return {y, mo, d, h, mi, s, ms};
}

struct Case {
    const char* text;
    std::optional<CalendarFields> expected;
};

} // namespace

TEST(DateText, TurkishDayMonthYear) {
    const auto tr = FormatSettings::turkish();
    const Case cases[] = {
        {"29.07.2025 14:30", at(2025, 7, 29, 14, 30)},
        {"29.07.2025", at(2025, 7, 29)},
        {"29.07.2025 14:30:59", at(2025, 7, 29, 14, 30, 59)},
        {"29.07.2025 14:30:59,5", at(2025, 7, 29, 14, 30, 59, 5)},
        {"29.07.2025 2:30 PM", at(2025, 7, 29, 14, 30)},
        {"29.07.2025 pm 2:30", at(2025, 7, 29, 14, 30)},
        {"29.07.2025 2:30 \xD6S", at(2025, 7, 29, 14, 30)},
        {"29.07.2025 12:15 AM", at(2025, 7, 29, 0, 15)},
        {"29.07.2025 12:15 PM", at(2025, 7, 29, 12, 15)},
        {"29.07 14:30", at(2025, 7, 29, 14, 30)},
        {"29.07", at(2025, 7, 29)},
        {"29.07.25 14:30", at(2025, 7, 29, 14, 30)},
        {"1.1.75", at(1975, 1, 1)},
        {"1.1.74", at(2074, 1, 1)},
        {"1.1.075", at(75, 1, 1)},
        {"1.1.0075", at(75, 1, 1)},
        {"  29 . 07 . 2025   14 : 30 ", at(2025, 7, 29, 14, 30)},
        {"29.07.2025. 14:30", at(2025, 7, 29, 14, 30)},
        {"29.07.2025 14:30 trailing words", at(2025, 7, 29, 14, 30)},
        {"29.02.2024", at(2024, 2, 29)},
        {"14:30", at(1899, 12, 30, 14, 30)},
        {" 14:30  ", at(1899, 12, 30, 14, 30)},
        {"7 PM", at(1899, 12, 30, 19)},
        {"31.02.2025", std::nullopt},
        {"29.02.2025", std::nullopt},
        {"29.07.2025 24:00", std::nullopt},
        {"29.07.2025 13:00 PM", std::nullopt},
        {"29.07.2025 0:00 AM", std::nullopt},
        {"29.07.2025 14:60", std::nullopt},
        {"29.07.2025 14:", std::nullopt},
        {"29.07.", std::nullopt},
        {"14:30 x", std::nullopt},
        {"29/07/2025", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"0.1.2025", std::nullopt},
        {"1.1.10000", at(1000, 1, 1)}, // the fifth digit is read as the hour
        {"29.07.2025 14:30:59,1000", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(read(c.text, tr), c.expected);
    }
}

TEST(DateText, FieldOrderFollowsTheFirstDateLetterOfTheShortFormat) {
    auto fs = FormatSettings::unitedStates();
    EXPECT_EQ(read("7/29/2025 2:30 PM", fs), at(2025, 7, 29, 14, 30));
    EXPECT_EQ(read("7/29", fs), at(2025, 7, 29));
    fs.shortDateFormat = "yyyy-MM-dd";
    fs.dateSeparator = '-';
    EXPECT_EQ(read("2025-07-29", fs), at(2025, 7, 29));
    EXPECT_EQ(read("25-07-29", fs), at(2025, 7, 29)) << "a two-digit year is windowed first too";
    EXPECT_EQ(read("07-29", fs), at(2025, 7, 29)) << "two numbers are month and day";
    fs.shortDateFormat = "'Era' ee/MM/dd"; // e counts as year-first
    fs.dateSeparator = '/';
    EXPECT_EQ(read("2025/07/29", fs), at(2025, 7, 29));
    fs.shortDateFormat = "";
    EXPECT_EQ(read("7/29/2025", fs), at(2025, 7, 29)) << "no letter means month first";
}

TEST(DateText, TwoDigitYearWindowMovesWithTheCurrentYear) {
    const auto tr = FormatSettings::turkish();
    EXPECT_EQ(read("1.1.50", tr, 2000), at(1950, 1, 1));
    EXPECT_EQ(read("1.1.49", tr, 2000), at(2049, 1, 1));
    EXPECT_EQ(read("1.1.99", tr, 2090), at(2099, 1, 1));
    EXPECT_EQ(read("1.1.39", tr, 2090), at(2139, 1, 1));
}

TEST(DateText, NumbersStopAtFourSignificantDigits) {
    const auto tr = FormatSettings::turkish();
    EXPECT_EQ(read("29.07.0002025", tr), at(2025, 7, 29))
        << "leading zeros keep the value below 1000";
    EXPECT_EQ(read("29.07.20251", tr), at(2025, 7, 29, 1)) << "a fifth digit starts the time";
    EXPECT_EQ(read("29.07.20251:", tr), std::nullopt);
}

TEST(DateText, DesignatorsOnlyMatchWhenSet) {
    auto fs = FormatSettings::turkish();
    fs.timeAmString.clear();
    fs.timePmString.clear();
    EXPECT_EQ(read("29.07.2025 2:30 pm", fs), at(2025, 7, 29, 14, 30)) << "AM and PM always count";
}

TEST(DateText, FailureRaisesTheMessageWithTheText) {
    try {
        strToDateTime("31.02.2025", FormatSettings::turkish(), 2025);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'31.02.2025' is not a valid date and time");
    }
    try {
        strToDateTime("\xFD", FormatSettings::turkish(), 2025);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'ı' is not a valid date and time") << "ANSI text shown as UTF-8";
    }
}

TEST(DateFormat, PicturesAndTimeStamps) {
    const auto tr = FormatSettings::turkish();
    const auto us = FormatSettings::unitedStates();
    DateTime v;
    ASSERT_TRUE(DateTime::tryFromFields(at(2025, 7, 9, 14, 5, 7, 42), v));
    EXPECT_EQ(dateTimeToStr(v, tr), "9.07.2025 14:05:07");
    EXPECT_EQ(dateTimeToStr(v, us), "7/9/2025 2:05:07 PM");
    EXPECT_EQ(formatDateTime("yyyyMMddHHmm", v, tr), "202507091405");
    EXPECT_EQ(formatDateTime("dd/mm/yy hh:nn:ss.zzz", v, tr), "09.07.25 14:05:07.042");
    EXPECT_EQ(formatDateTime("ddd dddd mmm mmmm", v, us), "Wed Wednesday Jul July");
    EXPECT_EQ(formatDateTime("h:nn am/pm a/p \"h\" 'm'", v, us), "2:05 pm p h m");
    EXPECT_EQ(formatDateTime("c", v, tr), "9.07.2025 14:05:07");

    DateTime midnight;
    ASSERT_TRUE(DateTime::tryFromFields(at(2025, 7, 9, 0, 0, 0, 999), midnight));
    EXPECT_EQ(dateTimeToStr(midnight, tr), "9.07.2025") << "the first second after midnight";
    DateTime oneSecond;
    ASSERT_TRUE(DateTime::tryFromFields(at(2025, 7, 9, 0, 0, 1), oneSecond));
    EXPECT_EQ(dateTimeToStr(oneSecond, tr), "9.07.2025 00:00:01");
    ASSERT_TRUE(DateTime::tryFromFields(at(75, 1, 2), v));
    EXPECT_EQ(formatDateTime("yyyyMMddHHmm", v, tr), "007501020000");
}

TEST(DateTimeValue, DayNumbersAndCalendarFieldsRoundTrip) {
    struct Case {
        CalendarFields f;
        double days;
    } cases[] = {
        {at(1899, 12, 30), 0},
        {at(1899, 12, 30, 12), 0.5},
        {at(1899, 12, 29, 6), -1.25},
        {at(1900, 3, 1), 61},
        {at(2025, 7, 29, 14, 0), 45867 + 14.0 / 24},
        {at(1, 1, 1), -693593},
        {at(9999, 12, 31), 2958465},
    };
    for (const auto& c : cases) {
        DateTime v;
        ASSERT_TRUE(DateTime::tryFromFields(c.f, v));
        EXPECT_DOUBLE_EQ(v.toDays(), c.days);
        EXPECT_EQ(DateTime::fromDays(c.days).fields(), c.f);
    }
    EXPECT_EQ(DateTime::fromDays(-0.25).fields(), at(1899, 12, 30, 6)) << "minus zero days";
    EXPECT_EQ(DateTime::fromDays(45867.0 + 0.9999999999).fields(), at(2025, 7, 30))
        << "rounded to the millisecond";
}

TEST(DateTimeValue, EveryDayOfFourHundredYearsConvertsBothWays) {
    DateTime start;
    ASSERT_TRUE(DateTime::tryDate(1800, 1, 1, start));
    for (std::int64_t d = 0; d < 146097; ++d) {
        const auto v = DateTime::fromMilliseconds(start.milliseconds() + d * DateTime::msPerDay);
        const auto f = v.fields();
        DateTime back;
        ASSERT_TRUE(DateTime::tryDate(f.year, f.month, f.day, back)) << d;
        ASSERT_EQ(back, v) << d;
    }
}
