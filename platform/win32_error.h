#pragma once

#include <string>

namespace zorva::platform {

// The system's own text for a Windows error code, in UTF-8, without the trailing line break;
// the code as a number when the system has no text for it. Windows only.
std::string win32ErrorText(unsigned long code);

} // namespace zorva::platform
