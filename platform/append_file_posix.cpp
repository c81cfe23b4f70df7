#include "platform/append_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorva::platform {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the folder and those leading to it, noting each folder that got a new entry. False,
// with errno set, when one cannot be made.
bool makeFolders(const std::string& folder, std::vector<std::string>& newEntriesIn) {
    if (::mkdir(folder.c_str(), 0777) == 0) {
        newEntriesIn.push_back(folderOf(folder));
        return true;
    }
    if (errno == EEXIST)
        return true;
    if (errno != ENOENT || folderOf(folder) == folder ||
        !makeFolders(folderOf(folder), newEntriesIn))
        return false;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        return false;
    newEntriesIn.push_back(folderOf(folder));
    return true;
}

int openForAppending(const std::string& path, int more) {
    int fd;
    do
        fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY | more, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

AppendFile::AppendFile(const std::string& path) {
    int fd = openForAppending(path, 0);
    if (fd < 0 && errno == ENOENT) {
        // Made here rather than found, so that a power loss after flush() keeps its name.
        const std::string folder = folderOf(path);
        if (!makeFolders(folder, m_newEntriesIn)) {
            fail();
            return;
        }
        fd = openForAppending(path, O_CREAT | O_EXCL);
        if (fd >= 0)
            m_newEntriesIn.push_back(folder);
        else if (errno == EEXIST)
            fd = openForAppending(path, 0);
    }
    m_handle = fd;
    if (fd < 0)
        fail();
}

AppendFile::~AppendFile() {
    if (isOpen())
        ::close(static_cast<int>(m_handle));
}

bool AppendFile::isOpen() const {
    return m_handle >= 0;
}

bool AppendFile::fail() {
    m_failure = std::strerror(errno);
    return false;
}

bool AppendFile::size(std::uint64_t& bytes) {
    struct stat st {};
    if (::fstat(static_cast<int>(m_handle), &st) != 0)
        return fail();
    bytes = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool AppendFile::read(std::uint64_t offset, std::size_t count, std::string& bytes) {
    bytes.resize(count);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(static_cast<int>(m_handle), bytes.data() + got, count - got,
                                  static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail();
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return true;
}

bool AppendFile::append(std::string_view bytes) {
    // Only a full disk or a signal takes a part; the rest goes straight after it.
    while (!bytes.empty()) {
        const ssize_t n = ::write(static_cast<int>(m_handle), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return fail();
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool AppendFile::flush() {
    if (::fdatasync(static_cast<int>(m_handle)) != 0)
        return fail();
    while (!m_newEntriesIn.empty()) {
        const int dir = ::open(m_newEntriesIn.back().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0)
            return fail();
        const bool synced = ::fsync(dir) == 0;
        const int error = errno;
        ::close(dir);
        if (!synced) {
            errno = error;
            return fail();
        }
        m_newEntriesIn.pop_back();
    }
    return true;
}

} // namespace zorva::platform
