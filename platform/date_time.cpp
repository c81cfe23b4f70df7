#include "platform/date_time.h"

#include <cmath>

namespace zorva::platform {

namespace {

// Days from 1 January of year 1 to 30 December 1899, by the proleptic Gregorian calendar.
constexpr std::int64_t epochOrdinal = 693593;

std::int64_t ordinalOf(int year, int month, int day) {
    std::int64_t days = day;
    for (int m = 1; m < month; ++m)
        days += daysInMonth(year, m);
    const std::int64_t y = year - 1;
    return days - 1 + y * 365 + y / 4 - y / 100 + y / 400;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

bool DateTime::tryDate(int year, int month, int day, DateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return false;
    out = DateTime((ordinalOf(year, month, day) - epochOrdinal) * msPerDay);
    return true;
}

bool DateTime::tryTime(int hour, int minute, int second, int millisecond, DateTime& out) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return false;
    out = DateTime(((hour * 60LL + minute) * 60 + second) * 1000 + millisecond);
    return true;
}

bool DateTime::tryFromFields(const CalendarFields& f, DateTime& out) {
    DateTime date, time;
    if (!tryDate(f.year, f.month, f.day, date) ||
        !tryTime(f.hour, f.minute, f.second, f.millisecond, time))
        return false;
    out = DateTime(date.m_ms + time.m_ms);
    return true;
}

DateTime DateTime::fromDays(double days) {
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    return DateTime(static_cast<std::int64_t>(whole) * msPerDay +
                    static_cast<std::int64_t>(std::llround(fraction * msPerDay)));
}

double DateTime::toDays() const {
    const auto date = static_cast<double>(datePart());
    const double time = static_cast<double>(timeOfDayMs()) / msPerDay;
    return date >= 0 ? date + time : date - time;
}

std::int64_t DateTime::datePart() const {
    return floorDiv(m_ms, msPerDay);
}

std::int64_t DateTime::timeOfDayMs() const {
    return m_ms - datePart() * msPerDay;
}

CalendarFields DateTime::fields() const {
    CalendarFields f;
    std::int64_t ordinal = datePart() + epochOrdinal; // days since 1 January of year 1
    const std::int64_t cycles400 = floorDiv(ordinal, 146097);
    ordinal -= cycles400 * 146097;
    std::int64_t cycles100 = ordinal / 36524;
    if (cycles100 == 4)
        cycles100 = 3;
    ordinal -= cycles100 * 36524;
    const std::int64_t cycles4 = ordinal / 1461;
    ordinal -= cycles4 * 1461;
    std::int64_t years = ordinal / 365;
    if (years == 4)
        years = 3;
    ordinal -= years * 365;
    f.year = static_cast<int>(cycles400 * 400 + cycles100 * 100 + cycles4 * 4 + years + 1);
    f.month = 1;
    while (ordinal >= daysInMonth(f.year, f.month)) {
        ordinal -= daysInMonth(f.year, f.month);
        ++f.month;
    }
    f.day = static_cast<int>(ordinal) + 1;

    std::int64_t ms = timeOfDayMs();
    f.millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    f.second = static_cast<int>(ms % 60);
    ms /= 60;
    f.minute = static_cast<int>(ms % 60);
    f.hour = static_cast<int>(ms / 60);
    return f;
}

} // namespace zorva::platform
