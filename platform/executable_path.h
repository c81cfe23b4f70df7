#pragma once

#include <string>
#include <string_view>

namespace zorva::platform {

// The full path of the running program. Raises platform::Error when the system cannot say.
std::string executablePath();

// The directory of the running program, with its trailing separator.
std::string executableDirectory();

// The file of a program named base on this system: "base", "base.exe".
std::string executableFileName(std::string_view base);

} // namespace zorva::platform
