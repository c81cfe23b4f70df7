#include "platform/format_settings.h"

namespace zorva::platform {

FormatSettings FormatSettings::turkish() {
    // Windows-1254 bytes: Ö = D6, Ş = DE, ı = FD, ü = FC, ğ = F0, ç = E7.
    FormatSettings s;
    s.dateSeparator = '.';
    s.timeSeparator = ':';
    s.decimalSeparator = ',';
    s.shortDateFormat = "d.MM.yyyy";
    s.longTimeFormat = "hh:nn:ss";
    s.timeAmString = "\xD6\xD6";
    s.timePmString = "\xD6S";
    s.shortMonthNames = {"Oca",
                         "\xDE"
                         "ub",
                         "Mar",
                         "Nis",
                         "May",
                         "Haz",
                         "Tem",
                         "A\xF0u",
                         "Eyl",
                         "Eki",
                         "Kas",
                         "Ara"};
    s.longMonthNames = {"Ocak",
                        "\xDE"
                        "ubat",
                        "Mart",
                        "Nisan",
                        "May\xFDs",
                        "Haziran",
                        "Temmuz",
                        "A\xF0ustos",
                        "Eyl\xFCl",
                        "Ekim",
                        "Kas\xFDm",
                        "Aral\xFDk"};
    s.shortDayNames = {"Paz",
                       "Pzt",
                       "Sal",
                       "\xC7"
                       "ar",
                       "Per",
                       "Cum",
                       "Cmt"};
    s.longDayNames = {"Pazar",
                      "Pazartesi",
                      "Sal\xFD",
                      "\xC7"
                      "ar\xFE"
                      "amba",
                      "Per\xFE"
                      "embe",
                      "Cuma",
                      "Cumartesi"};
    return s;
}

FormatSettings FormatSettings::unitedStates() {
    return FormatSettings{};
}

} // namespace zorva::platform
