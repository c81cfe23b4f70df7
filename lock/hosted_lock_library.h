#pragma once

#include "lock/host_protocol.h"
#include "lock/library_failure.h"
#include "lock/lock_library.h"
#include "platform/child_process.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace zorva::lock {

// The encoder's library as the bridge uses it: every call goes to zorva-lock-host, the process
// that loads the library, and waits for the answer, at most the call's time limit. A call that
// gets no answer in time, or whose host ends or answers something else, raises LibraryFailure
// and ends the host; the next call starts a new one. A start that cannot make the library
// ready raises LibraryFailure too (NotStarted), its detail saying what failed and why.
class HostedLockLibrary final : public LockLibrary {
public:
    // An encoder's library commonly waits for the card to be laid on the encoder before it
    // writes it, and may talk to the encoder over a slow serial line; half a minute leaves room
    // for both, and the receptionist still learns within it that no card came.
    static constexpr std::chrono::seconds callTimeLimit{30};

    explicit HostedLockLibrary(std::string hostPath,
                               std::chrono::milliseconds timeLimit = callTimeLimit);

    // The host to start for the library in a folder: zorva-lock-host32 for a 32-bit library
    // (the vendor's library for Windows is one), zorva-lock-host otherwise.
    static std::string hostFor(const std::string& directory);
    ~HostedLockLibrary() override;
    HostedLockLibrary(const HostedLockLibrary&) = delete;
    HostedLockLibrary& operator=(const HostedLockLibrary&) = delete;

    // Starts the host, ending one that runs, and waits until it has loaded the library.
    void start();
    // A wait for an answer ends as soon as this has something to read (the termination
    // signals' descriptor), so that a library that hangs cannot hold up the program's end.
    void setInterrupt(platform::WaitHandle handle) { m_interrupt = handle; }
    // Ends the host: its input is closed, and it is killed unless it ends by itself at once.
    void stop();
    bool running() const { return m_host.started(); }
    long long hostPid() const { return m_host.pid(); }
    const std::string& hostPath() const { return m_hostPath; }

    std::int16_t initializeSystem(std::int16_t cardType) override;
    std::int16_t setAuthCode(const AuthCode& code, const SectorArguments& sectors) override;
    std::int16_t issueGuestCard(GuestCardRequest& request) override;
    void freeSystem() override;
    void beepOk() override;
    void beepFailure() override;

private:
    std::int16_t call(protocol::Request request);
    [[noreturn]] void hostEnded();
    [[noreturn]] void notStarted(const std::string& why);
    [[noreturn]] void abandon(LibraryFailure::Kind kind, std::string detail);

    std::string m_hostPath;
    std::chrono::milliseconds m_timeLimit;
    platform::ChildProcess m_host;
    platform::WaitHandle m_interrupt = platform::noWaitHandle;
    std::uint32_t m_sequence = 0;
};

} // namespace zorva::lock
