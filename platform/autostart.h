#pragma once

#include <string>

namespace zorva::platform {

enum class AutostartOutcome {
    Done,
    Unavailable, // the system has no place for such an entry; nothing was changed
    WriteFailed, // the place exists but the entry could not be written
};

// Lets the program start with the user's desktop session, under the given name, or stops it.
// Removing an entry that is not there is no failure.
AutostartOutcome setAutostart(const std::string& name, const std::string& executablePath, bool on);

// Where the entry for a name is kept; empty when the system has no such place.
std::string autostartEntryPath(const std::string& name);

} // namespace zorva::platform
