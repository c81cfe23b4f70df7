#pragma once

#include <string>

namespace zorva::settings {

// Lets the program at path start with the user's session under the given name, or stops it.
// Where the system has no place for that, nothing happens; a refused write raises
// "Failed to set data for '%s'" with the name.
void SetAutoRun(const std::string& path, const std::string& name, bool on);

} // namespace zorva::settings
