#pragma once

#include "platform/error.h"

#include <string>

namespace zorva::platform {

// Socket failures carry Windows Sockets error numbers on every platform, so that the operator
// reads the same code and text whichever system the program runs on.
namespace winsock {
inline constexpr int notASocket = 10038;
inline constexpr int messageTooLong = 10040;
} // namespace winsock

// "Socket Error # " and the code, CR LF, and the code's text (nothing for an unknown code).
std::string socketErrorMessage(int code);

class SocketError : public Error {
public:
    explicit SocketError(int code);
    int code() const { return m_code; }

private:
    int m_code;
};

class NotASocketError : public SocketError {
public:
    NotASocketError() : SocketError(winsock::notASocket) {}
};

// Every bind failure reads the same, whatever the system said.
class CouldNotBindSocketError : public Error {
public:
    CouldNotBindSocketError();
};

// The right exception for a Windows Sockets error number.
[[noreturn]] void throwSocketError(int code);

} // namespace zorva::platform
