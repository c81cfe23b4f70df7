#pragma once

#include <string>

namespace zorva::testing {

// Changes this process's environment as the C library's getenv() sees it, in this program and
// in the libraries it has loaded.
void setEnvironment(const std::string& name, const std::string& value);
void unsetEnvironment(const std::string& name);

// True when this Windows program runs under Wine, which differs from Windows in a few ways that
// tests must allow for; false on Windows and on every other system.
bool underWine();

} // namespace zorva::testing
