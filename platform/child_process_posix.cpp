#include "platform/child_process.h"

#include "platform/error.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace zorva::platform {

namespace {

[[noreturn]] void fail(const char* what, int error) {
    throw Error(formatMessage("%s: %s", {what, std::strerror(error)}));
}

struct Pipe {
    int read = -1;
    int write = -1;

    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            fail("Cannot create a pipe", errno);
        read = fds[0];
        write = fds[1];
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        closeEnd(read);
        closeEnd(write);
    }
    static void closeEnd(int& fd) {
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
    }
};

ExitStatus statusOf(int status) {
    if (WIFSIGNALED(status))
        return {true, WTERMSIG(status)};
    return {false, WEXITSTATUS(status)};
}

int pollTimeout(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
}

// SIGPIPE is blocked on this thread only while it writes, and one that the write raised is
// taken off again, so that a child that ended is a false write instead of the end of the bridge,
// without changing for the rest of the program what SIGPIPE does.
class SigpipeBlocked {
public:
    SigpipeBlocked() {
        sigemptyset(&m_sigpipe);
        sigaddset(&m_sigpipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_sigpipe, &m_before);
    }
    SigpipeBlocked(const SigpipeBlocked&) = delete;
    SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;
    ~SigpipeBlocked() {
        if (m_raised && !m_wasPending) {
            const timespec now{};
            while (sigtimedwait(&m_sigpipe, nullptr, &now) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
    }
    void raised() { m_raised = true; }

private:
    sigset_t m_sigpipe;
    sigset_t m_before;
    bool m_wasPending = false;
    bool m_raised = false;
};

} // namespace

std::string ExitStatus::text() const {
    if (!signalled)
        return "exit code " + std::to_string(code);
    const char* description = sigdescr_np(code);
    return "signal " + std::to_string(code) + " (" +
           (description ? description : "Unknown signal") + ")";
}

struct ChildProcess::Native {
    pid_t pid = 0;
    int input = -1;
    int output = -1;
    std::optional<ExitStatus> status;

    Native() = default;
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;
    ~Native() {
        Pipe::closeEnd(input);
        Pipe::closeEnd(output);
        if (pid > 0)
            kill();
    }

    ExitStatus kill() noexcept {
        if (!status) {
            ::kill(pid, SIGKILL);
            reap(0);
        }
        return *status;
    }

    // True once reaped. In a program that ignores SIGCHLD the system reaps the children itself,
    // and how they ended is lost (ECHILD, the one failure possible for a child of ours).
    bool reap(int options) noexcept {
        int raw = 0;
        pid_t reaped;
        while ((reaped = ::waitpid(pid, &raw, options)) < 0 && errno == EINTR) {
        }
        if (reaped == pid)
            status = statusOf(raw);
        else if (reaped < 0)
            status = ExitStatus{};
        return status.has_value();
    }
};

void ChildProcess::NativeDeleter::operator()(Native* native) const noexcept {
    delete native;
}

ChildProcess ChildProcess::start(const std::string& program,
                                 const std::vector<std::string>& arguments) {
    std::unique_ptr<Native, NativeDeleter> native(new Native);
    Pipe input;
    Pipe output;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // An end that already has the number it goes onto (when our own standard input was closed)
    // loses its close-on-exec all the same: glibc's posix_spawn clears it.
    posix_spawn_file_actions_adddup2(&actions, input.read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output.write, STDOUT_FILENO);
    // Close-on-exec covers our own descriptors; this also covers those that other code in the
    // process (a library, the toolkit) opened without it.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    // A child would inherit the signals we block or ignore; it starts as from a shell instead.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> names = arguments.empty() ? std::vector{program} : arguments;
    std::vector<char*> argv;
    for (std::string& name : names)
        argv.push_back(name.data());
    argv.push_back(nullptr);

    const int error =
        posix_spawn(&native->pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        native->pid = 0;
        throw Error(formatMessage("Cannot start %s: %s", {program, std::strerror(error)}));
    }
    native->input = std::exchange(input.write, -1);
    native->output = std::exchange(output.read, -1);
    return ChildProcess(std::move(native));
}

bool ChildProcess::write(std::span<const std::uint8_t> bytes) {
    if (!m_native || m_native->input < 0)
        return false;
    SigpipeBlocked blocked;
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_native->input, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EPIPE) {
            blocked.raised();
            return false;
        }
        if (written < 0)
            fail("Cannot write to the child process", errno);
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

ChildProcess::ReadOutcome ChildProcess::readSome(std::span<std::uint8_t> buffer,
                                                 std::chrono::steady_clock::time_point deadline,
                                                 WaitHandle interrupt, std::size_t& count) {
    if (!m_native || m_native->output < 0)
        return ReadOutcome::Closed;
    pollfd fds[2] = {{m_native->output, POLLIN, 0}, {static_cast<int>(interrupt), POLLIN, 0}};
    const nfds_t watched = interrupt == noWaitHandle ? 1 : 2;
    // An answer mostly comes within tens of microseconds; looking for it that long, giving the
    // processor up between the looks, spares the wake-up that a sleep costs.
    const auto lookUntil = std::chrono::steady_clock::now() + std::chrono::microseconds(60);
    for (;;) {
        const bool looking = std::chrono::steady_clock::now() < lookUntil;
        const int ready = ::poll(fds, watched, looking ? 0 : pollTimeout(deadline));
        if (ready == 0 && looking) {
            ::sched_yield();
            continue;
        }
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            fail("Cannot wait for the child process", errno);
        if (fds[0].revents != 0) {
            const ssize_t got = ::read(m_native->output, buffer.data(), buffer.size());
            if (got > 0) {
                count += static_cast<std::size_t>(got);
                return ReadOutcome::Read;
            }
            if (got == 0)
                return ReadOutcome::Closed;
            if (errno != EINTR)
                fail("Cannot read from the child process", errno);
            continue;
        }
        if (watched == 2 && (fds[1].revents & POLLNVAL))
            fail("Cannot wait for the child process", EBADF);
        if (watched == 2 && fds[1].revents != 0)
            return ReadOutcome::Interrupted;
        if (std::chrono::steady_clock::now() >= deadline)
            return ReadOutcome::TimedOut;
    }
}

void ChildProcess::closeInput() {
    if (m_native)
        Pipe::closeEnd(m_native->input);
}

std::optional<ExitStatus> ChildProcess::wait(std::chrono::milliseconds limit) {
    if (!m_native)
        return std::nullopt;
    if (m_native->status || m_native->reap(WNOHANG))
        return m_native->status;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // A pidfd becomes readable when the process ends. Without one (a kernel before 5.3, or a
    // sandbox that refuses the call), the status is asked for every few milliseconds.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_native->pid, 0));
    while (!m_native->reap(WNOHANG) && std::chrono::steady_clock::now() < deadline) {
        if (pidfd >= 0) {
            pollfd ended{pidfd, POLLIN, 0};
            ::poll(&ended, 1, pollTimeout(deadline));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (pidfd >= 0)
        ::close(pidfd);
    return m_native->status;
}

ExitStatus ChildProcess::kill() {
    return m_native ? m_native->kill() : ExitStatus{};
}

long long ChildProcess::pid() const {
    return m_native ? m_native->pid : 0;
}

} // namespace zorva::platform
