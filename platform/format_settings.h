#pragma once

#include <array>
#include <string>

namespace zorva::platform {

// The user's regional settings, taken once at start and passed to every conversion.
// Formats use the picture letters of the date formatter (d m y h n s z, "am/pm", "ampm",
// '/' for the date separator, ':' for the time separator). Texts are ANSI bytes.
struct FormatSettings {
    char dateSeparator = '/';
    char timeSeparator = ':';
    char decimalSeparator = '.';
    std::string shortDateFormat = "M/d/yyyy";
    std::string longTimeFormat = "h:nn:ss AMPM";
    std::string timeAmString = "AM";
    std::string timePmString = "PM";
    std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> longMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    std::array<std::string, 7> shortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> longDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};

    static FormatSettings turkish();
    static FormatSettings unitedStates();
};

} // namespace zorva::platform
