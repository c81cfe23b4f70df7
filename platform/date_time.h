#pragma once

#include <compare>
#include <cstdint>

namespace zorva::platform {

struct CalendarFields {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const CalendarFields&) const = default;
};

// A local date with a time of day, to the millisecond. Zero is 30 December 1899 at midnight,
// the epoch of the day numbers in the room file. Held as a linear count of milliseconds so that
// arithmetic and comparison are exact; the day-number form is produced on demand.
class DateTime {
public:
    static constexpr std::int64_t msPerDay = 86'400'000;

    constexpr DateTime() = default;
    static constexpr DateTime fromMilliseconds(std::int64_t ms) { return DateTime(ms); }

    static bool tryFromFields(const CalendarFields& f, DateTime& out);
    static bool tryDate(int year, int month, int day, DateTime& out);
    static bool tryTime(int hour, int minute, int second, int millisecond, DateTime& out);

    // The day number: whole days since the epoch, the time of day as the fraction. Before the
    // epoch the whole part still counts days and the fraction still adds time, so -1.25 is
    // 29 December 1899 at 06:00, not 18:00.
    static DateTime fromDays(double days);
    double toDays() const;

    constexpr std::int64_t milliseconds() const { return m_ms; }
    CalendarFields fields() const;
    std::int64_t datePart() const; // whole days since the epoch, rounded down
    std::int64_t timeOfDayMs() const;

    friend constexpr auto operator<=>(DateTime, DateTime) = default;

private:
    constexpr explicit DateTime(std::int64_t ms) : m_ms(ms) {}
    std::int64_t m_ms = 0;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

} // namespace zorva::platform
