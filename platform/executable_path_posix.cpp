#include "platform/executable_path.h"

#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace zorva::platform {

std::string executablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            throw Error(
                formatMessage("Cannot find the program's own path: %s", {std::strerror(errno)}));
        if (static_cast<std::size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

std::string executableDirectory() {
    const std::string path = executablePath();
    return path.substr(0, path.rfind('/') + 1);
}

std::string executableFileName(std::string_view base) {
    return std::string(base) + "";
}

} // namespace zorva::platform
