#include "platform/executable_path.h"

#include "platform/error.h"
#include "platform/win32_error.h"

#include <vector>
#include <windows.h>

namespace zorva::platform {

std::string executablePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD n =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            throw Error(formatMessage("Cannot find the program's own path: %s",
                                      {win32ErrorText(GetLastError())}));
        // A path that does not fit comes back cut to the buffer, without an error on older
        // systems and with ERROR_INSUFFICIENT_BUFFER on newer ones.
        if (n < buffer.size() && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string executableDirectory() {
    const std::string path = executablePath();
    return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string executableFileName(std::string_view base) {
    return std::string(base) + ".exe";
}

} // namespace zorva::platform
