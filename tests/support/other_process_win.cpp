#include "tests/support/other_process.h"

#include <stdexcept>
#include <vector>
#include <windows.h>

namespace zorva::testing {

// Started suspended, the copy of this program runs none of its code.
OtherProcess::OtherProcess() {
    std::vector<char> self(MAX_PATH * 4);
    if (GetModuleFileNameA(nullptr, self.data(), static_cast<DWORD>(self.size())) == 0)
        throw std::runtime_error("GetModuleFileName failed");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(self.data(), nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &started))
        throw std::runtime_error("CreateProcess failed");
    CloseHandle(started.hThread);
    m_handle = started.hProcess;
    m_id = started.dwProcessId;
    m_running = true;
}

void OtherProcess::end() {
    if (!m_running)
        return;
    m_running = false;
    TerminateProcess(m_handle, 1);
    WaitForSingleObject(m_handle, INFINITE);
    CloseHandle(m_handle);
}

} // namespace zorva::testing
