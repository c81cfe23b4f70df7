#include "settings/autorun.h"

#include "platform/autostart.h"
#include "platform/error.h"

namespace zorva::settings {

void SetAutoRun(const std::string& path, const std::string& name, bool on) {
    if (platform::setAutostart(name, path, on) == platform::AutostartOutcome::WriteFailed)
        throw platform::Error(platform::formatMessage("Failed to set data for '%s'", {name}));
}

} // namespace zorva::settings
