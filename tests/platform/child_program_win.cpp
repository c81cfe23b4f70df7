#include "tests/platform/child_program.h"

#include <cstdlib>
#include <string>
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
#include <windows.h>
#include <winsock2.h>

namespace zorva::testing::child_program {

namespace {

HANDLE handleNamed(const char* value) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(value, nullptr, 0)));
}

// Inherited handles keep their values, so the parent's value names the same file here, if the
// file was handed down: then it holds the parent's marker text.
bool holdsFile(HANDLE file, const std::string& marker) {
    std::string text(marker.size() + 1, '\0');
    OVERLAPPED start{};
    DWORD got = 0;
    return ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, &start) &&
           text.substr(0, got) == marker;
}

bool holdsSocket(SOCKET socket, int port) {
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    sockaddr_in bound{};
    int length = sizeof bound;
    return ::getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &length) == 0 &&
           ntohs(bound.sin_port) == port;
}

// Without a box on Windows; Wine pays no heed to the error mode and starts its debugger, which
// would write its report into our output, unless a filter of ours has dealt with the crash. The
// process then ends with the exception's code, as it does on Windows.
LONG WINAPI endAtOnce(EXCEPTION_POINTERS*) {
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void prepare() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(endAtOnce);
}

std::size_t readInput(std::span<char> buffer) {
    DWORD got = 0;
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer.data(), static_cast<DWORD>(buffer.size()),
                  &got, nullptr))
        return 0;
    return got;
}

bool writeOutput(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(),
                       static_cast<DWORD>(bytes.size()), &written, nullptr))
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

void closeInput() {
    CloseHandle(GetStdHandle(STD_INPUT_HANDLE));
}

void closeOutput() {
    CloseHandle(GetStdHandle(STD_OUTPUT_HANDLE));
}

// The arguments come in threes: "file <handle> <marker text>", "socket <handle> <port>".
std::string inheritedHandles(std::span<char*> arguments) {
    std::string report;
    for (std::size_t i = 0; i + 2 < arguments.size(); i += 3) {
        const std::string kind = arguments[i];
        const bool held =
            kind == "file" ? holdsFile(handleNamed(arguments[i + 1]), arguments[i + 2])
            : kind == "socket"
                ? holdsSocket(reinterpret_cast<std::uintptr_t>(handleNamed(arguments[i + 1])),
                              std::atoi(arguments[i + 2]))
                : false;
        if (held)
            report += kind + " " + arguments[i + 1] + "\n";
    }
    return report;
}

} // namespace zorva::testing::child_program
