#pragma once

#include <string>
#include <string_view>

namespace zorva::platform {

// The name of the file that replaceFileAtomically writes beside the file it replaces before the
// rename: "<name>.<process id>.<n>.tmp", n counting this process's temporaries. The process id
// tells a temporary that a killed process left from one that is still being written. While one
// lives, this process counts as writing a temporary file.
class TemporaryFileName {
public:
    explicit TemporaryFileName(std::string path);
    TemporaryFileName(const TemporaryFileName&) = delete;
    TemporaryFileName& operator=(const TemporaryFileName&) = delete;
    ~TemporaryFileName();

    const std::string& path() const { return m_path; }
    // Another name, when the file of the last one was there already.
    void next();

    // Whether the directory entry of that name is a temporary of the file named fileName that no
    // running process is writing.
    static bool isLeftover(std::string_view entry, std::string_view fileName);

private:
    std::string m_file;
    std::string m_path;
};

} // namespace zorva::platform
