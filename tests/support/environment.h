#pragma once

#include <string>

namespace zorva::testing {

// Changes this process's environment as the C library's getenv() sees it, in this program and
// in the libraries it has loaded.
void setEnvironment(const std::string& name, const std::string& value);
void unsetEnvironment(const std::string& name);

} // namespace zorva::testing
