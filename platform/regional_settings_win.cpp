#include "platform/regional_settings.h"

namespace zorva::platform {

// The regional settings are the user's profile's, whatever the environment says.
bool hasRegionalDateSettings(const EnvironmentLookup&) {
    return true;
}

bool hasRegionalDateSettings() {
    return true;
}

} // namespace zorva::platform
