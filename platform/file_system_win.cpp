#include "platform/file_system.h"

#include "platform/temporary_file_name.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <utility>
#include <windows.h>

namespace zorva::platform {

const char pathSeparator = '\\';

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    ~FileHandle() {
        if (valid())
            CloseHandle(m_handle);
    }
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool close() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE m_handle;
};

bool writeAll(HANDLE file, std::string_view data) {
    while (!data.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0)
            return false;
        data.remove_prefix(written);
    }
    return true;
}

// The attributes that a file of the user's keeps across a rewrite; read-only never gets here.
constexpr DWORD keptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

FileHandle createTemporaryBeside(TemporaryFileName& name, DWORD attributes) {
    for (int attempt = 0; attempt < 100; ++attempt, name.next()) {
        FileHandle file(CreateFileA(name.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes, nullptr));
        if (file.valid() || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return FileHandle(INVALID_HANDLE_VALUE);
}

// The file that a symbolic link at path leads to, so that a save replaces that file and the link
// stays a link; path itself for anything else. Also path for a link whose file is not there:
// only the link's reparse data names that file, in a layout that the system's user-mode headers
// do not declare.
std::string finalPath(const std::string& path) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return path;
    FindClose(search);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        found.dwReserved0 != IO_REPARSE_TAG_SYMLINK)
        return path;
    const FileHandle file(CreateFileA(path.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid())
        return path;
    std::string target(MAX_PATH, '\0');
    for (;;) {
        const DWORD n =
            GetFinalPathNameByHandleA(file.get(), target.data(), static_cast<DWORD>(target.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            return path;
        const bool fits = n < target.size();
        target.resize(n);
        if (fits)
            break;
    }
    // "\\?\C:\..." and "\\?\UNC\server\share\..." in the forms that every call takes.
    if (target.starts_with("\\\\?\\UNC\\"))
        return "\\\\" + target.substr(8);
    if (target.starts_with("\\\\?\\"))
        return target.substr(4);
    return target;
}

std::size_t removeStaleTemporariesBeside(const std::string& path) {
    const std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
    const std::string name = path.substr(folder.size());
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path + ".*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    std::size_t removed = 0;
    do {
        // The pattern also matches short 8.3 names; the long name decides.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            TemporaryFileName::isLeftover(found.cFileName, name) &&
            DeleteFileA((folder + found.cFileName).c_str()))
            ++removed;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return removed;
}

} // namespace

ReadOutcome readWholeFile(const std::string& path, std::string& contents, std::string& reason) {
    contents.clear();
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return ReadOutcome::Missing;
        reason = win32ErrorText(error);
        return ReadOutcome::Failed;
    }
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
            reason = win32ErrorText(GetLastError());
            contents.clear();
            return ReadOutcome::Failed;
        }
        if (n == 0)
            return ReadOutcome::Read;
        contents.append(buffer, n);
    }
}

bool replaceFileAtomically(const std::string& path, std::string_view contents) {
    const std::string target = finalPath(path);
    const DWORD old = GetFileAttributesA(target.c_str());
    const bool exists = old != INVALID_FILE_ATTRIBUTES;
    // The profile functions refuse a read-only file; a rename over it would not.
    if (exists && (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return false;

    removeStaleTemporaries(path);
    TemporaryFileName temporary(target);
    FileHandle file = createTemporaryBeside(temporary, exists ? old & keptAttributes : 0);
    if (!file.valid())
        return false;
    bool ok = writeAll(file.get(), contents) && FlushFileBuffers(file.get());
    ok = file.close() && ok;
    // Write-through: the call returns once the rename itself is on the disk.
    if (!ok || !MoveFileExA(temporary.path().c_str(), target.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.path().c_str());
        return false;
    }
    return true;
}

std::size_t removeStaleTemporaries(const std::string& path) {
    // Beside a link too: saves that replaced the link rather than its file wrote theirs there.
    std::size_t removed = removeStaleTemporariesBeside(path);
    if (const std::string target = finalPath(path); target != path)
        removed += removeStaleTemporariesBeside(target);
    return removed;
}

bool removeFile(const std::string& path) {
    if (DeleteFileA(finalPath(path).c_str()))
        return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace zorva::platform
