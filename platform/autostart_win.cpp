// The Run value under HKEY_LOCAL_MACHINE: Windows starts every program named there when it starts.

#include "platform/autostart.h"

#include <windows.h>

namespace zorva::platform {

namespace {

constexpr const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (m_key)
            RegCloseKey(m_key);
    }
    HKEY* out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

std::string autostartEntryPath(const std::string& name) {
    return std::string("HKEY_LOCAL_MACHINE\\") + runKey + "\\" + name;
}

AutostartOutcome setAutostart(const std::string& name, const std::string& executablePath, bool on) {
    // Opened, never created: without the rights to change it (an ordinary user's process) the
    // key does not open, and the program then leaves the registry alone without a word.
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKey, 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS)
        return AutostartOutcome::Unavailable;
    if (!on) {
        RegDeleteValueA(key.get(), name.c_str());
        return AutostartOutcome::Done;
    }
    // The path as the system gave it, unquoted even with blanks in it, and with its final zero.
    const LSTATUS written = RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(executablePath.c_str()),
                                           static_cast<DWORD>(executablePath.size() + 1));
    return written == ERROR_SUCCESS ? AutostartOutcome::Done : AutostartOutcome::WriteFailed;
}

} // namespace zorva::platform
