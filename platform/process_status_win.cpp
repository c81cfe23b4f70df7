#include "platform/process_status.h"

#include <windows.h>

namespace zorva::platform {

unsigned long currentProcessId() {
    return GetCurrentProcessId();
}

bool processRunning(unsigned long id) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (!process)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    // A process that has ended stays open to whoever holds a handle to it, until the last one
    // is closed.
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

namespace {

LONG WINAPI endWithTheExceptionsCode(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void endAtOnceOnCrash() {
    // Inherited by the programs this one starts, too.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
                 SEM_NOOPENFILEERRORBOX);
    // Wine, and Windows with a debugger registered, would start one anyway.
    SetUnhandledExceptionFilter(endWithTheExceptionsCode);
}

} // namespace zorva::platform
