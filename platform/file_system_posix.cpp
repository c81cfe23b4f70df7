#include "platform/file_system.h"

#include "platform/temporary_file_name.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorva::platform {

const char pathSeparator = '/';

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// O_EXCL with a fresh name, rather than mkstemp, so that the new file gets the ordinary
// permissions that the umask gives and not mkstemp's owner-only ones.
FileDescriptor createTemporaryBeside(TemporaryFileName& name) {
    for (int attempt = 0; attempt < 100; ++attempt, name.next()) {
        FileDescriptor fd(
            ::open(name.path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.valid() || errno != EEXIST)
            return fd;
    }
    return FileDescriptor(-1);
}

// The profile functions refuse a file they may not write, and Windows will not delete a read-only
// file; a rename over it or an unlink would go through.
bool refusesWrites(const std::string& path, const struct stat& st) {
    return !S_ISREG(st.st_mode) || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// The file that path names through any chain of symbolic links, so that a save replaces the
// file a link leads to and the link stays a link. The last link may lead to a file that is not
// there yet. False, with errno set, for a link that cannot be read or a chain as long as only a
// loop makes it.
bool followLinks(const std::string& path, std::string& file) {
    // The kernel's own bound on the links that one lookup passes through.
    constexpr int maxLinks = 40;
    file = path;
    for (int links = 0; links <= maxLinks; ++links) {
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(file.c_str(), target, sizeof target);
        if (n < 0)
            return false;
        if (static_cast<std::size_t>(n) == sizeof target) {
            errno = ENAMETOOLONG;
            return false;
        }
        // A relative target starts from the link's own directory.
        const std::string to(target, static_cast<std::size_t>(n));
        file = to.starts_with('/') ? to : file.substr(0, file.rfind('/') + 1) + to;
    }
    errno = ELOOP;
    return false;
}

std::size_t removeStaleTemporariesBeside(const std::string& path) {
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    const std::string name = path.substr(folder.size());
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(dir))
        if (TemporaryFileName::isLeftover(entry->d_name, name) &&
            ::unlink((folder + entry->d_name).c_str()) == 0)
            ++removed;
    ::closedir(dir);
    return removed;
}

} // namespace

ReadOutcome readWholeFile(const std::string& path, std::string& contents, std::string& reason) {
    contents.clear();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadOutcome::Missing;
        reason = std::strerror(errno);
        return ReadOutcome::Failed;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            reason = std::strerror(errno);
            contents.clear();
            return ReadOutcome::Failed;
        }
        if (n == 0)
            return ReadOutcome::Read;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
}

bool replaceFileAtomically(const std::string& path, std::string_view contents) {
    std::string file;
    if (!followLinks(path, file))
        return false;
    struct stat old {};
    const bool exists = ::stat(file.c_str(), &old) == 0;
    if (exists && refusesWrites(file, old))
        return false;

    removeStaleTemporaries(path);
    TemporaryFileName temporary(file);
    FileDescriptor fd = createTemporaryBeside(temporary);
    if (!fd.valid())
        return false;
    bool ok = (!exists || ::fchmod(fd.get(), old.st_mode & 07777) == 0) &&
              writeAll(fd.get(), contents) && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (!ok || ::rename(temporary.path().c_str(), file.c_str()) != 0) {
        ::unlink(temporary.path().c_str());
        return false;
    }
    // The rename itself survives a power loss only once the directory is on disk.
    FileDescriptor dir(::open(directoryOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return true;
}

std::size_t removeStaleTemporaries(const std::string& path) {
    // Beside a link too: saves that replaced the link rather than its file wrote theirs there.
    std::size_t removed = removeStaleTemporariesBeside(path);
    if (std::string file; followLinks(path, file) && file != path)
        removed += removeStaleTemporariesBeside(file);
    return removed;
}

bool removeFile(const std::string& path) {
    std::string file;
    if (!followLinks(path, file))
        return false;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return errno == ENOENT;
    if (refusesWrites(file, st))
        return false;
    return ::unlink(file.c_str()) == 0 || errno == ENOENT;
}

} // namespace zorva::platform
