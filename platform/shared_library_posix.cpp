#include "platform/shared_library.h"

#include "platform/error.h"

#include <dlfcn.h>
#include <utility>

namespace zorva::platform {

std::string sharedLibraryFileName(std::string_view base) {
    return "lib" + std::string(base) + ".so";
}

SharedLibrary::~SharedLibrary() {
    if (m_handle)
        ::dlclose(m_handle);
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        if (m_handle)
            ::dlclose(m_handle);
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

SharedLibrary SharedLibrary::load(const std::string& path) {
    // Every symbol at once, so that a library that cannot work fails here rather than in a call.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        throw Error(reason ? reason : path + ": cannot be loaded");
    }
    return SharedLibrary(handle);
}

void* SharedLibrary::function(const char* name, std::string& reason) const {
    ::dlerror();
    void* address = ::dlsym(m_handle, name);
    if (!address) {
        const char* text = ::dlerror();
        reason = text ? text : std::string("undefined symbol: ") + name;
    }
    return address;
}

} // namespace zorva::platform
