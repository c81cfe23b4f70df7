#pragma once

#include <string>

namespace zorva::platform {

// The full path of the running program. Raises platform::Error when the system cannot say.
std::string executablePath();

// The directory of the running program, with its trailing separator.
std::string executableDirectory();

} // namespace zorva::platform
