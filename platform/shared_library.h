#pragma once

#include <string>
#include <string_view>

namespace zorva::platform {

// The file of a shared library named base on this system: "libBase.so", "Base.dll".
std::string sharedLibraryFileName(std::string_view base);

// The processor a library file is built for, read from its header (ELF or PE), whatever the
// system it is read on; Unknown for a file that is missing or neither.
enum class Machine { Unknown, X86, X86_64, Other };
Machine libraryMachine(const std::string& path);

// A shared library loaded by its path at run time, unloaded with this object. Move-only.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Raises platform::Error with the system's own reason when the library cannot be loaded.
    static SharedLibrary load(const std::string& path);

    // The address of an exported function by its plain name; nullptr when the library has none
    // of that name, with the system's reason in reason.
    void* function(const char* name, std::string& reason) const;

private:
    explicit SharedLibrary(void* handle) : m_handle(handle) {}
    void* m_handle = nullptr;
};

} // namespace zorva::platform
