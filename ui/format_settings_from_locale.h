#pragma once

#include "platform/format_settings.h"

#include <QLocale>

namespace zorva::ui {

// The regional settings from Qt's locale data, whose Turkish short date is "d.MM.yyyy" as a
// Windows front office writes it. Qt's pattern letters become the formatter's, the time-zone
// letter is dropped, texts are converted to ANSI. What the code page cannot hold is not
// turned into '?': format marks go, a separator or decimal point falls back to the default,
// a designator to the English "AM" or "PM".
platform::FormatSettings formatSettingsFromLocale(const QLocale& locale);

// One Qt date or time pattern in the formatter's picture letters, without the format marks,
// the time zone and the literal text that the code page cannot hold.
std::string pictureFromQtPattern(const QString& pattern);

} // namespace zorva::ui
