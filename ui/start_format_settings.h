#pragma once

#include "platform/format_settings.h"

#include <QLocale>

#include <string>

namespace zorva::ui {

// The regional settings the program reads dates by, and the log line that says which they are
// when they are not the user's own.
struct StartFormatSettings {
    platform::FormatSettings settings;
    std::string notice; // UTF-8; empty when the settings are the user's
};

// The user's regional settings. Without any, the Turkish ones: the front offices of the hotels
// this bridge serves write Turkish dates, and the C locale would refuse every one of them.
StartFormatSettings startFormatSettings(const QLocale& system, bool userHasRegionalSettings);

} // namespace zorva::ui
