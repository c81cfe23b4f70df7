#pragma once

#include <functional>

namespace zorva::platform {

// An environment variable's value, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// Whether the user has chosen regional settings for dates. A program that an autostart entry
// or a service manager starts often has none, and would then read every date the C way. On
// Windows they belong to the user's profile and are always there.
bool hasRegionalDateSettings(const EnvironmentLookup& lookup);
// The same, for this process.
bool hasRegionalDateSettings();

} // namespace zorva::platform
