// Windows has no termination signals; a program with a console is asked to end through its
// console control handler instead (Ctrl+C, Ctrl+Break, the console window closing), on a thread
// of the system's. The handler only sends a datagram to a socket that the event loop watches.

#include "platform/termination_signals.h"

#include <csignal>
#include <winsock2.h>

namespace zorva::platform {

namespace {

SOCKET notice = INVALID_SOCKET;

BOOL WINAPI onControl(DWORD event) {
    unsigned char number = 0;
    switch (event) {
    case CTRL_C_EVENT:
        number = SIGINT;
        break;
    case CTRL_BREAK_EVENT:
        number = SIGBREAK;
        break;
    case CTRL_CLOSE_EVENT:
        number = SIGTERM;
        break;
    default:
        return FALSE;
    }
    ::send(notice, reinterpret_cast<const char*>(&number), 1, 0);
    // The process ends as soon as the handler returns from a close; waiting here gives the event
    // loop the few seconds that the system allows for an orderly end.
    if (event == CTRL_CLOSE_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

} // namespace

int watchTerminationSignals() {
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return -1;
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET)
        return -1;
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof loopback;
    u_long nonBlocking = 1;
    if (::bind(s, reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&loopback), &length) != 0 ||
        ::connect(s, reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback) != 0 ||
        ::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        ::closesocket(s);
        return -1;
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    notice = s;
    SetConsoleCtrlHandler(onControl, TRUE);
    // Socket handles are kernel handles, which Windows keeps within 32 bits.
    return static_cast<int>(s);
}

int takeTerminationSignal(int fd) {
    unsigned char number = 0;
    return ::recv(static_cast<SOCKET>(fd), reinterpret_cast<char*>(&number), 1, 0) == 1 ? number
                                                                                        : 0;
}

} // namespace zorva::platform
