#include "platform/protocol_streams.h"

#include "platform/error.h"
#include "platform/win32_error.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace zorva::platform {

namespace {

// A handle of our own, which stays open when the C runtime's descriptor for it is replaced, and
// which programs that the library may start do not inherit.
HANDLE keep(DWORD which) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(which), GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS))
        throw Error("Cannot take over the standard streams: " + win32ErrorText(GetLastError()));
    return copy;
}

} // namespace

ProtocolStreams ProtocolStreams::takeOver() {
    HANDLE in = keep(STD_INPUT_HANDLE);
    HANDLE out = keep(STD_OUTPUT_HANDLE);
    // Both layers: the system's standard handles and the C runtime's descriptors over them.
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    std::fflush(stdout);
    _dup2(_fileno(stderr), _fileno(stdout));
    HANDLE nothing = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (nothing != INVALID_HANDLE_VALUE)
        SetStdHandle(STD_INPUT_HANDLE, nothing);
    if (const int empty = _open("NUL", _O_RDONLY | _O_BINARY); empty >= 0) {
        _dup2(empty, _fileno(stdin));
        _close(empty);
    }
    return ProtocolStreams(reinterpret_cast<std::intptr_t>(in),
                           reinterpret_cast<std::intptr_t>(out));
}

std::size_t ProtocolStreams::readSome(std::span<std::uint8_t> into) {
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(m_in), into.data(), static_cast<DWORD>(into.size()), &n,
                  nullptr))
        return 0;
    return n;
}

bool ProtocolStreams::write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        DWORD n = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(m_out), bytes.data(),
                       static_cast<DWORD>(bytes.size()), &n, nullptr) ||
            n == 0)
            return false;
        bytes = bytes.subspan(n);
    }
    return true;
}

} // namespace zorva::platform
