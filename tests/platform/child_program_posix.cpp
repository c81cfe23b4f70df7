#include "tests/platform/child_program.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>
#include <vector>

namespace zorva::testing::child_program {

void prepare() {}

std::size_t readInput(std::span<char> buffer) {
    ssize_t got;
    while ((got = ::read(STDIN_FILENO, buffer.data(), buffer.size())) < 0 && errno == EINTR) {
    }
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool writeOutput(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void closeInput() {
    ::close(STDIN_FILENO);
}

void closeOutput() {
    ::close(STDOUT_FILENO);
}

// Every descriptor, with what it leads to for those beyond the standard three.
std::string inheritedHandles(std::span<char*>) {
    DIR* directory = ::opendir("/proc/self/fd");
    if (!directory)
        return "cannot list /proc/self/fd";
    std::vector<int> fds;
    while (const dirent* entry = ::readdir(directory)) {
        if (entry->d_name[0] == '.')
            continue;
        const int fd = std::atoi(entry->d_name);
        if (fd != ::dirfd(directory))
            fds.push_back(fd);
    }
    ::closedir(directory);
    std::sort(fds.begin(), fds.end());
    std::string report;
    for (const int fd : fds) {
        if (!report.empty())
            report += ' ';
        report += std::to_string(fd);
        if (fd > STDERR_FILENO) {
            char target[256] = {};
            const std::string link = "/proc/self/fd/" + std::to_string(fd);
            const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
            report += "(" +
                      std::string(target, static_cast<std::size_t>(std::max<ssize_t>(length, 0))) +
                      ")";
        }
    }
    return report;
}

} // namespace zorva::testing::child_program
