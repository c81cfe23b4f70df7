#include "platform/append_file.h"

#include "platform/win32_error.h"

#include <algorithm>
#include <windows.h>

namespace zorva::platform {

namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::string folderOf(const std::string& path) {
    const auto separator = path.find_last_of("\\/");
    return separator == std::string::npos ? "." : path.substr(0, separator);
}

// Makes the folder and those leading to it. False, with the last error set, when one cannot be
// made; a drive or a share that is not there ends the climb there.
bool makeFolders(const std::string& folder) {
    if (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    const std::string parent = folderOf(folder);
    if (GetLastError() != ERROR_PATH_NOT_FOUND || parent == folder || parent == "." ||
        !makeFolders(parent))
        return false;
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Reading, and appending without the right to write anywhere else. Others may read and write
// while it is open: a program that wants the file to itself (Excel does) refuses us, not the
// other way round.
HANDLE openForAppending(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

AppendFile::AppendFile(const std::string& path) {
    // Windows refuses a read-only file to writers by itself; asked here as well, so that the
    // answer is the same where the system does not (Wine run by root).
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        fail();
        return;
    }
    HANDLE file = openForAppending(path);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
        if (!makeFolders(folderOf(path))) {
            fail();
            return;
        }
        file = openForAppending(path);
    }
    m_handle = reinterpret_cast<std::intptr_t>(file);
    if (!isOpen())
        fail();
}

AppendFile::~AppendFile() {
    if (isOpen())
        CloseHandle(handleOf(m_handle));
}

bool AppendFile::isOpen() const {
    return handleOf(m_handle) != INVALID_HANDLE_VALUE;
}

bool AppendFile::fail() {
    m_failure = win32ErrorText(GetLastError());
    return false;
}

bool AppendFile::size(std::uint64_t& bytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(m_handle), &size))
        return fail();
    bytes = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

bool AppendFile::read(std::uint64_t offset, std::size_t count, std::string& bytes) {
    bytes.resize(count);
    std::size_t got = 0;
    while (got < count) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + got);
        at.OffsetHigh = static_cast<DWORD>((offset + got) >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - got, 1u << 20));
        DWORD n = 0;
        if (!ReadFile(handleOf(m_handle), bytes.data() + got, chunk, &n, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            return fail();
        }
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return true;
}

bool AppendFile::append(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(handleOf(m_handle), bytes.data(), chunk, &written, nullptr))
            return fail();
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return fail();
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// A new file's name in its folder is a change that NTFS keeps in its log, and the file's flush
// writes the log out up to the file's own changes; there is no folder to flush as on Linux.
bool AppendFile::flush() {
    return FlushFileBuffers(handleOf(m_handle)) || fail();
}

} // namespace zorva::platform
