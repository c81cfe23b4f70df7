#include "platform/child_process.h"

#include "platform/error.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <utility>
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
#include <windows.h>
#include <winsock2.h>

namespace zorva::platform {

namespace {

constexpr DWORD pipeBufferSize = 64 * 1024;
// The interrupt is a socket that the event loop watches through WSAAsyncSelect; waiting on it
// with WSAEventSelect would end those notices, so it is looked at between slices of the wait.
constexpr std::chrono::milliseconds interruptSlice{20};
constexpr UINT killedExitCode = 1;
// One read or write at a time stays well inside a DWORD.
constexpr std::size_t largestTransfer = 1u << 30;

[[noreturn]] void fail(const char* what, DWORD error) {
    throw Error(formatMessage("%s: %s", {what, win32ErrorText(error)}));
}

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    Handle(Handle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    ~Handle() { reset(); }

    HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void reset() noexcept {
        if (m_handle)
            CloseHandle(std::exchange(m_handle, nullptr));
    }

private:
    HANDLE m_handle = nullptr;
};

Handle newEvent() {
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        fail("Cannot create an event", GetLastError());
    return event;
}

bool pipeEnded(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

struct Pipe {
    Handle ours;
    Handle childs;
};

// Our end is overlapped, so that a read can be waited for with a time limit, which an
// anonymous pipe does not allow; the child's end is plain and inheritable, as a program expects
// of its standard handles.
Pipe newPipe(bool childReads) {
    static std::atomic<unsigned> serial{0};
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    for (int attempt = 0;; ++attempt) {
        char name[80];
        std::snprintf(name, sizeof name, "\\\\.\\pipe\\zorva-child-%lu-%u", GetCurrentProcessId(),
                      serial++);
        Handle ours(CreateNamedPipeA(name,
                                     (childReads ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND) |
                                         FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                     PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT |
                                         PIPE_REJECT_REMOTE_CLIENTS,
                                     1, pipeBufferSize, pipeBufferSize, 0, nullptr));
        if (!ours) {
            // The name is taken, by an earlier process that had our id and left a pipe behind.
            const DWORD error = GetLastError();
            if (error == ERROR_ACCESS_DENIED && attempt < 100)
                continue;
            fail("Cannot create a pipe", error);
        }
        Handle childs(CreateFileA(name, childReads ? GENERIC_READ : GENERIC_WRITE, 0, &inheritable,
                                  OPEN_EXISTING, 0, nullptr));
        if (!childs)
            fail("Cannot create a pipe", GetLastError());
        return {std::move(ours), std::move(childs)};
    }
}

// Our standard error, or the NUL device in a windowed program, which has none: the child's
// writes there then go nowhere instead of failing. A copy, as only inheritable handles can be
// handed down.
Handle childsError() {
    const HANDLE ours = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE copy = nullptr;
    if (ours && ours != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), ours, GetCurrentProcess(), &copy, 0, TRUE,
                        DUPLICATE_SAME_ACCESS))
        return Handle(copy);
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    Handle nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                           OPEN_EXISTING, 0, nullptr));
    if (!nul)
        fail("Cannot open NUL", GetLastError());
    return nul;
}

// The quoting that the C runtime's command line parser undoes: backslashes are literal except
// before a quote, where each one and the quote are escaped.
void appendArgument(std::string& line, const std::string& argument) {
    if (!line.empty())
        line += ' ';
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        line += argument;
        return;
    }
    line += '"';
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        for (; i < argument.size() && argument[i] == '\\'; ++i)
            ++backslashes;
        if (i == argument.size()) {
            line.append(backslashes * 2, '\\');
            break;
        }
        if (argument[i] == '"')
            line.append(backslashes * 2 + 1, '\\');
        else
            line.append(backslashes, '\\');
        line += argument[i];
    }
    line += '"';
}

// The attribute that names the only handles the child inherits; every other inheritable handle
// of the process, such as a socket, stays here.
class HandleList {
public:
    explicit HandleList(std::span<HANDLE> handles) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_storage.resize(size / sizeof(std::uintptr_t) + 1);
        if (!InitializeProcThreadAttributeList(list(), 1, 0, &size))
            fail("Cannot start a process", GetLastError());
        if (!UpdateProcThreadAttribute(list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                       handles.size_bytes(), nullptr, nullptr)) {
            const DWORD error = GetLastError();
            DeleteProcThreadAttributeList(list());
            fail("Cannot start a process", error);
        }
    }
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;
    ~HandleList() { DeleteProcThreadAttributeList(list()); }

    LPPROC_THREAD_ATTRIBUTE_LIST list() {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
    }

private:
    std::vector<std::uintptr_t> m_storage;
};

DWORD waitTime(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<DWORD>(
        std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INFINITE - 1));
}

bool socketReadable(WaitHandle socket) {
    fd_set read;
    FD_ZERO(&read);
    FD_SET(static_cast<SOCKET>(socket), &read);
    timeval now{};
    const int ready = ::select(0, &read, nullptr, nullptr, &now);
    if (ready == SOCKET_ERROR)
        fail("Cannot wait for the child process", static_cast<DWORD>(WSAGetLastError()));
    return ready > 0;
}

// Read once the event is set; the outcome that cut the wait short otherwise.
ChildProcess::ReadOutcome awaitEvent(HANDLE event, std::chrono::steady_clock::time_point deadline,
                                     WaitHandle interrupt) {
    using ReadOutcome = ChildProcess::ReadOutcome;
    for (;;) {
        DWORD time = waitTime(deadline);
        if (interrupt != noWaitHandle)
            time = std::min(time, static_cast<DWORD>(interruptSlice.count()));
        const DWORD waited = WaitForSingleObject(event, time);
        if (waited == WAIT_OBJECT_0)
            return ReadOutcome::Read;
        if (waited != WAIT_TIMEOUT)
            fail("Cannot wait for the child process", GetLastError());
        if (interrupt != noWaitHandle && socketReadable(interrupt))
            return ReadOutcome::Interrupted;
        if (std::chrono::steady_clock::now() >= deadline)
            return ReadOutcome::TimedOut;
    }
}

} // namespace

std::string ExitStatus::text() const {
    const auto value = static_cast<std::uint32_t>(code);
    if (value < 0x80000000u)
        return "exit code " + std::to_string(value);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(value));
    return std::string("exit code ") + hex;
}

struct ChildProcess::Native {
    Handle process;
    DWORD pid = 0;
    Handle input;
    Handle output;
    Handle inputEvent = newEvent();
    Handle outputEvent = newEvent();
    std::optional<ExitStatus> status;

    ~Native() {
        input.reset();
        output.reset();
        if (process)
            kill();
    }

    ExitStatus kill() noexcept {
        if (!status) {
            // Fails for a process that has ended already, and then its own code stands.
            TerminateProcess(process.get(), killedExitCode);
            WaitForSingleObject(process.get(), INFINITE);
            collect();
        }
        return *status;
    }

    void collect() noexcept {
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        status = ExitStatus{false, static_cast<int>(code)};
        process.reset();
    }
};

void ChildProcess::NativeDeleter::operator()(Native* native) const noexcept {
    delete native;
}

ChildProcess ChildProcess::start(const std::string& program,
                                 const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments.empty() ? std::vector{program} : arguments)
        appendArgument(line, argument);

    std::unique_ptr<Native, NativeDeleter> native(new Native);
    Pipe input = newPipe(true);
    Pipe output = newPipe(false);
    Handle error = childsError();
    HANDLE inherited[] = {input.childs.get(), output.childs.get(), error.get()};
    HandleList handleList(inherited);

    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.childs.get();
    startup.StartupInfo.hStdOutput = output.childs.get();
    startup.StartupInfo.hStdError = error.get();
    startup.lpAttributeList = handleList.list();
    // The bridge is a windowed program and the host a console one, which would otherwise get a
    // console window of its own.
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                        EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup.StartupInfo, &started)) {
        const DWORD error = GetLastError();
        throw Error(formatMessage("Cannot start %s: %s", {program, win32ErrorText(error)}));
    }
    CloseHandle(started.hThread);

    native->process = Handle(started.hProcess);
    native->pid = started.dwProcessId;
    native->input = std::move(input.ours);
    native->output = std::move(output.ours);
    return ChildProcess(std::move(native));
}

bool ChildProcess::write(std::span<const std::uint8_t> bytes) {
    if (!m_native || !m_native->input)
        return false;
    const HANDLE input = m_native->input.get();
    while (!bytes.empty()) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_native->inputEvent.get();
        DWORD written = 0;
        const auto size = static_cast<DWORD>(std::min(bytes.size(), largestTransfer));
        if ((!WriteFile(input, bytes.data(), size, nullptr, &overlapped) &&
             GetLastError() != ERROR_IO_PENDING) ||
            !GetOverlappedResult(input, &overlapped, &written, TRUE)) {
            const DWORD error = GetLastError();
            if (pipeEnded(error))
                return false;
            fail("Cannot write to the child process", error);
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

ChildProcess::ReadOutcome ChildProcess::readSome(std::span<std::uint8_t> buffer,
                                                 std::chrono::steady_clock::time_point deadline,
                                                 WaitHandle interrupt, std::size_t& count) {
    if (!m_native || !m_native->output)
        return ReadOutcome::Closed;
    const HANDLE output = m_native->output.get();
    OVERLAPPED overlapped{};
    overlapped.hEvent = m_native->outputEvent.get();
    const auto size = static_cast<DWORD>(std::min(buffer.size(), largestTransfer));
    ReadOutcome outcome = ReadOutcome::Read;
    if (!ReadFile(output, buffer.data(), size, nullptr, &overlapped)) {
        const DWORD error = GetLastError();
        if (pipeEnded(error))
            return ReadOutcome::Closed;
        if (error != ERROR_IO_PENDING)
            fail("Cannot read from the child process", error);
        outcome = awaitEvent(overlapped.hEvent, deadline, interrupt);
        // The read may complete all the same before it is cancelled; what it read then counts.
        if (outcome != ReadOutcome::Read)
            CancelIoEx(output, &overlapped);
    }
    DWORD got = 0;
    if (!GetOverlappedResult(output, &overlapped, &got, TRUE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_OPERATION_ABORTED)
            return outcome;
        if (pipeEnded(error))
            return ReadOutcome::Closed;
        fail("Cannot read from the child process", error);
    }
    count += got;
    return ReadOutcome::Read;
}

void ChildProcess::closeInput() {
    if (m_native)
        m_native->input.reset();
}

std::optional<ExitStatus> ChildProcess::wait(std::chrono::milliseconds limit) {
    if (!m_native)
        return std::nullopt;
    Native& native = *m_native;
    if (!native.status) {
        const auto time = static_cast<DWORD>(
            std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, INFINITE - 1));
        const DWORD waited = WaitForSingleObject(native.process.get(), time);
        if (waited == WAIT_OBJECT_0)
            native.collect();
        else if (waited != WAIT_TIMEOUT)
            fail("Cannot wait for the child process", GetLastError());
    }
    return native.status;
}

ExitStatus ChildProcess::kill() {
    return m_native ? m_native->kill() : ExitStatus{};
}

long long ChildProcess::pid() const {
    return m_native ? m_native->pid : 0;
}

} // namespace zorva::platform
