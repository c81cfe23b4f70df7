#include "platform/date_text.h"

#include "platform/ansi_text.h"
#include "platform/error.h"

#include <cctype>

namespace zorva::platform {

namespace {

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

DateOrder dateOrderOf(std::string_view shortDateFormat) {
    for (char c : shortDateFormat) {
        switch (std::toupper(static_cast<unsigned char>(c))) {
        case 'D':
            return DateOrder::DayMonthYear;
        case 'Y':
        case 'E':
            return DateOrder::YearMonthDay;
        case 'M':
            return DateOrder::MonthDayYear;
        default:
            break;
        }
    }
    return DateOrder::MonthDayYear;
}

// A cursor over the text with the scanning steps of the conversion. Spaces (and only spaces)
// before every number, separator and designator are skipped.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    void skipBlanks() {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ')
            ++m_pos;
    }

    // Digits are read while the value so far is below 1000, so at most four significant ones.
    bool number(int& value, int& digits) {
        skipBlanks();
        const std::size_t start = m_pos;
        value = 0;
        while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos])) &&
               value < 1000)
            value = value * 10 + (m_text[m_pos++] - '0');
        digits = static_cast<int>(m_pos - start);
        return digits > 0;
    }
    bool number(int& value) {
        int digits = 0;
        return number(value, digits);
    }

    bool character(char c) {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool symbol(std::string_view s) {
        if (s.empty())
            return false;
        skipBlanks();
        if (m_text.size() - m_pos >= s.size() &&
            sameTextIgnoreCase(m_text.substr(m_pos, s.size()), s)) {
            m_pos += s.size();
            return true;
        }
        return false;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool scanDate(Scanner& in, const FormatSettings& fs, int currentYear, DateTime& out) {
    int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l3 = 0, digits = 0;
    if (!(in.number(n1, l1) && in.character(fs.dateSeparator) && in.number(n2, digits)))
        return false;
    const DateOrder order = dateOrderOf(fs.shortDateFormat);
    int year = currentYear, month = 0, day = 0;
    if (in.character(fs.dateSeparator)) {
        if (!in.number(n3, l3))
            return false;
        int yearDigits = l3;
        switch (order) {
        case DateOrder::MonthDayYear:
            year = n3;
            month = n1;
            day = n2;
            break;
        case DateOrder::DayMonthYear:
            year = n3;
            month = n2;
            day = n1;
            break;
        case DateOrder::YearMonthDay:
            year = n1;
            yearDigits = l1;
            month = n2;
            day = n3;
            break;
        }
        if (yearDigits <= 2) {
            const int windowStart = currentYear - 50;
            year += windowStart / 100 * 100;
            if (year < windowStart)
                year += 100;
        }
    } else if (order == DateOrder::DayMonthYear) {
        day = n1;
        month = n2;
    } else {
        month = n1;
        day = n2;
    }
    in.character(fs.dateSeparator);
    in.skipBlanks();
    return DateTime::tryDate(year, month, day, out);
}

// -1 for none, otherwise the hours to add: 0 for AM, 12 for PM.
int scanDesignator(Scanner& in, const FormatSettings& fs) {
    if (in.symbol(fs.timeAmString) || in.symbol("AM"))
        return 0;
    if (in.symbol(fs.timePmString) || in.symbol("PM"))
        return 12;
    return -1;
}

bool scanTime(Scanner& in, const FormatSettings& fs, DateTime& out) {
    int baseHour = scanDesignator(in, fs);
    if (baseHour >= 0)
        in.skipBlanks();
    int hour = 0, minute = 0, second = 0, ms = 0;
    if (!in.number(hour))
        return false;
    if (in.character(fs.timeSeparator)) {
        if (!in.number(minute))
            return false;
        if (in.character(fs.timeSeparator)) {
            if (!in.number(second))
                return false;
            if (in.character(fs.decimalSeparator) && !in.number(ms))
                return false;
        }
    }
    if (baseHour < 0)
        baseHour = scanDesignator(in, fs);
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12)
            return false;
        hour = (hour == 12 ? 0 : hour) + baseHour;
    }
    in.skipBlanks();
    return DateTime::tryTime(hour, minute, second, ms, out);
}

std::string padded(long long value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, width - digits.size(), '0');
    return digits;
}

bool startsWithIgnoreCase(std::string_view text, std::size_t pos, std::string_view prefix) {
    if (text.size() - pos < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[pos + i])) != prefix[i])
            return false;
    return true;
}

bool hasAmPm(std::string_view format) {
    for (std::size_t i = 0; i < format.size(); ++i)
        if (startsWithIgnoreCase(format, i, "am/pm") || startsWithIgnoreCase(format, i, "a/p") ||
            startsWithIgnoreCase(format, i, "ampm"))
            return true;
    return false;
}

// Day of the week, 0 for Sunday; 30 December 1899 was a Saturday.
int weekday(DateTime value) {
    return static_cast<int>(((value.datePart() % 7) + 7 + 6) % 7);
}

void formatInto(std::string& out, std::string_view format, DateTime value, const FormatSettings& fs,
                int depth) {
    const CalendarFields f = value.fields();
    const bool twelveHour = hasAmPm(format);
    bool afterHour = false;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::size_t run = 1;
        while (i + run < format.size() &&
               std::tolower(static_cast<unsigned char>(format[i + run])) == lower)
            ++run;
        switch (lower) {
        case '"':
        case '\'': {
            const std::size_t end = format.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? format.size() : end;
            out.append(format.substr(i + 1, stop - i - 1));
            i = end == std::string_view::npos ? format.size() : end + 1;
            continue;
        }
        case 'a':
            if (startsWithIgnoreCase(format, i, "am/pm")) {
                out += f.hour < 12 ? "am" : "pm";
                i += 5;
            } else if (startsWithIgnoreCase(format, i, "a/p")) {
                out += f.hour < 12 ? 'a' : 'p';
                i += 3;
            } else if (startsWithIgnoreCase(format, i, "ampm")) {
                out += f.hour < 12 ? fs.timeAmString : fs.timePmString;
                i += 4;
            } else {
                out += c;
                ++i;
            }
            continue;
        case 'd':
            if (run == 1 || run == 2)
                out += padded(f.day, static_cast<int>(run));
            else if (run == 3)
                out += fs.shortDayNames[weekday(value)];
            else if (run == 4)
                out += fs.longDayNames[weekday(value)];
            else if (depth == 0)
                formatInto(out, fs.shortDateFormat, value, fs, depth + 1);
            run = std::min<std::size_t>(run, 6);
            afterHour = false;
            break;
        case 'm':
            if (afterHour) {
                run = std::min<std::size_t>(run, 2);
                out += padded(f.minute, static_cast<int>(run));
            } else if (run <= 2) {
                out += padded(f.month, static_cast<int>(run));
            } else {
                out += run == 3 ? fs.shortMonthNames[f.month - 1] : fs.longMonthNames[f.month - 1];
                run = std::min<std::size_t>(run, 4);
            }
            afterHour = false;
            break;
        case 'y':
            out += run <= 2 ? padded(f.year % 100, 2) : padded(f.year, 4);
            run = run <= 2 ? run : std::min<std::size_t>(run, 4);
            afterHour = false;
            break;
        case 'h': {
            run = std::min<std::size_t>(run, 2);
            int hour = f.hour;
            if (twelveHour)
                hour = hour % 12 == 0 ? 12 : hour % 12;
            out += padded(hour, static_cast<int>(run));
            afterHour = true;
            break;
        }
        case 'n':
            run = std::min<std::size_t>(run, 2);
            out += padded(f.minute, static_cast<int>(run));
            afterHour = false;
            break;
        case 's':
            run = std::min<std::size_t>(run, 2);
            out += padded(f.second, static_cast<int>(run));
            afterHour = false;
            break;
        case 'z':
            run = run >= 3 ? 3 : 1;
            out += padded(f.millisecond, run == 3 ? 3 : 1);
            break;
        case 't':
            run = std::min<std::size_t>(run, 2);
            if (depth == 0)
                formatInto(out, run == 1 ? "hh:nn" : fs.longTimeFormat, value, fs, depth + 1);
            break;
        case 'c':
            run = 1;
            if (depth == 0)
                out += dateTimeToStr(value, fs);
            break;
        case '/':
            run = 1;
            out += fs.dateSeparator;
            break;
        case ':':
            run = 1;
            out += fs.timeSeparator;
            break;
        default:
            out.append(format.substr(i, run));
            break;
        }
        i += run;
    }
}

} // namespace

bool tryStrToDateTime(std::string_view text, const FormatSettings& settings, int currentYear,
                      DateTime& out) {
    Scanner in(text);
    DateTime date, time;
    if (scanDate(in, settings, currentYear, date) && (in.atEnd() || scanTime(in, settings, time))) {
        out = DateTime::fromMilliseconds(date.milliseconds() + time.milliseconds());
        return true;
    }
    Scanner timeAlone(text);
    if (scanTime(timeAlone, settings, time) && timeAlone.atEnd()) {
        out = time;
        return true;
    }
    return false;
}

std::string invalidDateTimeMessage(std::string_view utf8Text) {
    return formatMessage("'%s' is not a valid date and time", {utf8Text});
}

DateTime strToDateTime(std::string_view text, const FormatSettings& settings, int currentYear) {
    DateTime value;
    if (!tryStrToDateTime(text, settings, currentYear, value))
        throw Error(invalidDateTimeMessage(ansiToUtf8(text)));
    return value;
}

std::string formatDateTime(std::string_view format, DateTime value,
                           const FormatSettings& settings) {
    std::string out;
    formatInto(out, format, value, settings, 0);
    return out;
}

std::string dateTimeToStr(DateTime value, const FormatSettings& settings) {
    std::string text = formatDateTime(settings.shortDateFormat, value, settings);
    const CalendarFields f = value.fields();
    if (f.hour != 0 || f.minute != 0 || f.second != 0)
        text += " " + formatDateTime(settings.longTimeFormat, value, settings);
    return text;
}

} // namespace zorva::platform
