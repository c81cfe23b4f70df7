#pragma once

#include "platform/date_time.h"
#include "platform/format_settings.h"

#include <string>
#include <string_view>

namespace zorva::platform {

// Reads a date, a date with a time, or a time alone, by the regional settings. A one- or
// two-digit year falls in the hundred years that begin 50 years before currentYear.
bool tryStrToDateTime(std::string_view text, const FormatSettings& settings, int currentYear,
                      DateTime& out);

// "'%s' is not a valid date and time" for a text, given in UTF-8, that does not convert.
std::string invalidDateTimeMessage(std::string_view utf8Text);

// As above; raises invalidDateTimeMessage when the text does not convert.
DateTime strToDateTime(std::string_view text, const FormatSettings& settings, int currentYear);

// Formats by picture letters: d dd ddd dddd ddddd, m mm mmm mmmm (minutes right after an hour),
// yy yyyy, h hh (12-hour when the picture holds am/pm, a/p or ampm), n nn, s ss, z zzz, t tt, c,
// '/' and ':' for the separators, quoted literals. Letters are matched without regard to case.
std::string formatDateTime(std::string_view format, DateTime value, const FormatSettings& settings);

// The short date, then a space and the long time unless hour, minute and second are all zero.
std::string dateTimeToStr(DateTime value, const FormatSettings& settings);

} // namespace zorva::platform
