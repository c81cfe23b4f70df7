// INI text as the private-profile engine reads it: every read, a write, and the text it
// gives back, which must read the same a second time.

#include "platform/ini_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using zorva::platform::IniFile;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// The engine reads files by path; a memory file has one without touching the disk.
class MemoryFile {
public:
    MemoryFile() : m_fd(::memfd_create("fuzz-ini", 0)) {
        if (m_fd < 0)
            fail("memfd_create failed");
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    const std::string& path() const { return m_path; }
    void hold(const std::string& bytes) {
        if (::ftruncate(m_fd, 0) != 0 ||
            ::pwrite(m_fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
            fail("cannot fill the memory file");
    }

private:
    int m_fd;
    std::string m_path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    file.hold(bytes);
    IniFile ini(file.path());
    if (ini.readFailed())
        fail("a readable file failed to read");

    const auto names = ini.sectionNames();
    for (std::size_t i = 0; i < names.size() && i < 64; ++i) {
        for (const std::string& key : ini.keyNames(names[i]))
            if (ini.readString(names[i], key, "").size() > IniFile::maxValueLength)
                fail("a value longer than the engine gives");
        ini.sectionValues(names[i]);
    }
    const auto all = ini.readAllSections();
    if (all.size() != names.size())
        fail("sections and section names disagree");

    const std::string text = ini.text();
    file.hold(text);
    IniFile again(file.path());
    if (again.text() != text || again.sectionNames() != names)
        fail("the engine's own text reads differently");

    // A write always reads back, whatever the document around it.
    const std::string section = names.empty() ? "S" : names.back();
    if (section.find_first_not_of(" \t\r\n") != std::string::npos) {
        again.writeString(section, "ZorvaFuzzKey", "value 1");
        file.hold(again.text());
        IniFile written(file.path());
        if (written.readString(section, "zorvafuzzkey", "missing") != "value 1")
            fail("a written value does not read back");
    }
    return 0;
}
