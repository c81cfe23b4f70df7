#include "tests/support/environment.h"

#include <cstdlib>
#include <windows.h>

namespace zorva::testing {

// The C runtime keeps its own copy of the environment, which getenv() reads and
// SetEnvironmentVariable() does not change. It cannot hold an empty value: setting one removes
// the variable, which getenv() then reports as missing.
void setEnvironment(const std::string& name, const std::string& value) {
    ::_putenv_s(name.c_str(), value.c_str());
}

void unsetEnvironment(const std::string& name) {
    ::_putenv_s(name.c_str(), "");
}

// Wine's ntdll has calls of its own, which no Windows has.
bool underWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace zorva::testing
