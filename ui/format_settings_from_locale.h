#pragma once

#include "platform/format_settings.h"

#include <QLocale>

namespace zorva::ui {

// The regional settings from Qt's locale data, whose Turkish short date is "d.MM.yyyy" as a
// Windows front office writes it. Qt's pattern letters become the formatter's, the time-zone
// letter is dropped, texts are converted to ANSI.
platform::FormatSettings formatSettingsFromLocale(const QLocale& locale);

// One Qt date or time pattern in the formatter's picture letters.
std::string pictureFromQtPattern(const QString& pattern);

} // namespace zorva::ui
