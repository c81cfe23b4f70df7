#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zorva::platform {

// How a child process ended.
struct ExitStatus {
    bool signalled = false; // POSIX: ended by a signal; never on Windows
    // The exit code, or the signal number. On Windows the whole 32-bit code, so that an access
    // violation, 0xC0000005, reads as the negative int -1073741819.
    int code = 0;

    // For a log line: "exit code 3", "signal 11 (Segmentation fault)"; on Windows "exit code 3"
    // or, from 0x80000000 up, "exit code 0xC0000005".
    std::string text() const;

    bool operator==(const ExitStatus&) const = default;
};

// Something besides the child's answer that a wait can be cut short by: the descriptor that
// watchTerminationSignals() returns (platform/termination_signals.h), an fd on POSIX and a
// SOCKET on Windows. On Windows it is looked at every 20 ms, with a select() that leaves any
// WSAAsyncSelect() on it (a QSocketNotifier's) in place.
using WaitHandle = std::intptr_t;
inline constexpr WaitHandle noWaitHandle = -1;

// A program we started, its standard input and output connected to us through pipes, its
// standard error the same as ours (on Windows the NUL device when we have none). Move-only.
// The destructor kills a child that still runs and reaps it.
//
// write() and read() may run at the same time on two threads, one each; nothing else is safe
// from two threads at once. Without a child, write() is false, read() Closed, wait() nothing
// and kill() a zero exit code.
class ChildProcess {
public:
    ChildProcess() = default; // no child
    ~ChildProcess() = default;
    ChildProcess(ChildProcess&&) noexcept = default;
    ChildProcess& operator=(ChildProcess&&) noexcept = default; // ends the child it had
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The program is a path, not looked for along PATH; on Windows with its ".exe".
    // arguments[0] is the program's name as it sees it; the path stands in for an empty list.
    // Throws platform::Error "Cannot start <program>: <the system's reason>" when the program
    // cannot be started. The child inherits no other descriptor or handle of ours (no sockets,
    // no files), starts with no signal blocked or ignored, and on Windows gets no console
    // window of its own.
    static ChildProcess start(const std::string& program,
                              const std::vector<std::string>& arguments);

    bool started() const { return m_native != nullptr; }

    // Writes every byte to the child's input, waiting while the pipe is full (it holds 64 KiB,
    // more than a request); false when the child no longer reads (it ended, or closed its
    // input) or its input was closed. Never raises SIGPIPE.
    bool write(std::span<const std::uint8_t> bytes);

    enum class ReadOutcome { Read, Closed, TimedOut, Interrupted };
    // Reads exactly buffer.size() bytes of the child's output, waiting at most `limit` in all.
    // Closed: the output ended first (the child ended or closed it); the bytes read so far are
    // lost. TimedOut: the time ran out first. Interrupted: `interrupt` had something to read
    // first (it is not read); when the child's answer and the interrupt are there together, the
    // answer is taken. After TimedOut and Interrupted nothing is lost: the bytes that came so far
    // are the first that the next read gives.
    ReadOutcome read(std::span<std::uint8_t> buffer, std::chrono::milliseconds limit,
                     WaitHandle interrupt = noWaitHandle);

    // The child sees the end of its input; later writes are false.
    void closeInput();

    // Waits at most `limit` for the child to end; its status once it has ended (and is reaped),
    // the same status at every later call.
    std::optional<ExitStatus> wait(std::chrono::milliseconds limit);

    // Ends the child at once (SIGKILL; on Windows TerminateProcess with exit code 1), reaps it,
    // and returns how it ended: a child that had ended already keeps its own status.
    ExitStatus kill();

    // The system's process id, 0 without a child.
    long long pid() const;

private:
    struct Native;
    struct NativeDeleter {
        void operator()(Native* native) const noexcept;
    };
    explicit ChildProcess(std::unique_ptr<Native, NativeDeleter> native);

    // Waits until some of the child's output can be read, the deadline passes or the interrupt
    // is readable, and reads what there is into the buffer, adding it to count; Read when it
    // read.
    ReadOutcome readSome(std::span<std::uint8_t> buffer,
                         std::chrono::steady_clock::time_point deadline, WaitHandle interrupt,
                         std::size_t& count);

    std::unique_ptr<Native, NativeDeleter> m_native;
    // What a read that did not complete had taken already.
    std::vector<std::uint8_t> m_carried;
};

} // namespace zorva::platform
