#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorva::platform {

// A file that is only ever added to: opened for appending (O_APPEND, or FILE_APPEND_DATA without
// the right to write elsewhere), so that every write lands at the file's end, wherever another
// writer has moved that end to, and nothing before it can be overwritten.
//
// One write is one call to the system. A process that is killed after the call has returned
// leaves every byte of it in the file; on Linux a kill that falls inside the call can still cut
// it where it crosses from one memory page of the file into the next.
class AppendFile {
public:
    // Opens the file for reading and appending, and creates it, and the folders leading to it,
    // when missing. Whether that worked: isOpen(), and failure() when it did not.
    explicit AppendFile(const std::string& path);
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    bool isOpen() const;
    // The system's reason for the last call that failed, in UTF-8.
    const std::string& failure() const { return m_failure; }

    // The file's size now.
    bool size(std::uint64_t& bytes);
    // Up to count bytes from offset; fewer at the file's end.
    bool read(std::uint64_t offset, std::size_t count, std::string& bytes);
    // Adds the bytes at the file's end, in one call unless the system takes them in parts.
    bool append(std::string_view bytes);
    // Returns once what was appended is on the disk, and with it the file's name in its folder
    // when this open created the file or its folders, so that a power loss keeps it.
    bool flush();

private:
    bool fail();

    // The descriptor or handle; -1 is both the invalid descriptor and INVALID_HANDLE_VALUE.
    std::intptr_t m_handle = -1;
    // The folders that got a new entry from this open (the file, or a folder it made), for
    // flush() to put on the disk too; emptied when it has.
    std::vector<std::string> m_newEntriesIn;
    std::string m_failure;
};

} // namespace zorva::platform
