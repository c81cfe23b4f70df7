#include "platform/regional_settings.h"

#include <cstdlib>
#include <string_view>

namespace zorva::platform {

bool hasRegionalDateSettings(const EnvironmentLookup& lookup) {
    // The first of these that is set names the locale dates follow, for the C library and for
    // Qt alike; an empty one counts as not set.
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = lookup(variable);
        if (!value || !*value)
            continue;
        const std::string_view name = value;
        return !(name == "C" || name == "POSIX" || name.starts_with("C.") ||
                 name.starts_with("C@"));
    }
    return false;
}

bool hasRegionalDateSettings() {
    return hasRegionalDateSettings([](const char* name) { return std::getenv(name); });
}

} // namespace zorva::platform
