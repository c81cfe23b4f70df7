#include "platform/shared_library.h"

#include "platform/error.h"
#include "platform/win32_error.h"

#include <utility>
#include <windows.h>

namespace zorva::platform {

std::string sharedLibraryFileName(std::string_view base) {
    return std::string(base) + ".dll";
}

SharedLibrary::~SharedLibrary() {
    if (m_handle)
        FreeLibrary(static_cast<HMODULE>(m_handle));
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        if (m_handle)
            FreeLibrary(static_cast<HMODULE>(m_handle));
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

SharedLibrary SharedLibrary::load(const std::string& path) {
    // No box from the system for a missing dependency: the reason goes back to the bridge.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE handle = LoadLibraryA(path.c_str());
    const DWORD error = GetLastError();
    SetErrorMode(previous);
    if (!handle)
        throw Error(path + ": " + win32ErrorText(error));
    return SharedLibrary(handle);
}

void* SharedLibrary::function(const char* name, std::string& reason) const {
    FARPROC address = GetProcAddress(static_cast<HMODULE>(m_handle), name);
    if (!address)
        reason = win32ErrorText(GetLastError());
    return reinterpret_cast<void*>(address);
}

} // namespace zorva::platform
