#include "lock/hosted_lock_library.h"

#include "platform/executable_path.h"
#include "platform/shared_library.h"

#include <array>
#include <utility>
#include <vector>

namespace zorva::lock {

namespace {

constexpr const char* hostNotStarted = "Kilit Kütüphanesi Sunucusu Başlatılamadı - ";
constexpr const char* libraryNotLoaded = "Kilit Kütüphanesi Yüklenemedi - ";
constexpr const char* functionMissing = "Kilit Kütüphanesinde Fonksiyon Bulunamadı - ";

// A host that has closed its output is ending; this long it may take before it is killed.
constexpr std::chrono::seconds endingTime{2};

std::string describe(const protocol::Answer& a) {
    return std::string(protocol::functionName(a.call)) + " #" + std::to_string(a.sequence);
}

} // namespace

std::string HostedLockLibrary::hostFor(const std::string& directory) {
    const bool x86 =
        platform::libraryMachine(directory + platform::sharedLibraryFileName("LevelLock")) ==
        platform::Machine::X86;
    return directory + platform::executableFileName(x86 ? "zorva-lock-host32" : "zorva-lock-host");
}

HostedLockLibrary::HostedLockLibrary(std::string hostPath, std::chrono::milliseconds timeLimit)
    : m_hostPath(std::move(hostPath)), m_timeLimit(timeLimit) {}

HostedLockLibrary::~HostedLockLibrary() {
    stop();
}

void HostedLockLibrary::stop() {
    if (!m_host.started())
        return;
    // A host whose input ends ends by itself; one that hangs in the library does not.
    m_host.closeInput();
    if (!m_host.wait(std::chrono::milliseconds(500)))
        m_host.kill();
    m_host = platform::ChildProcess();
}

void HostedLockLibrary::notStarted(const std::string& why) {
    if (m_host.started())
        m_host.kill();
    m_host = platform::ChildProcess();
    throw LibraryFailure(LibraryFailure::Kind::NotStarted, hostNotStarted + why);
}

void HostedLockLibrary::start() {
    stop();
    try {
        m_host = platform::ChildProcess::start(m_hostPath, {m_hostPath});
    } catch (const std::exception& e) {
        notStarted(e.what());
    }
    std::array<std::uint8_t, protocol::helloAnswerSize> head{};
    const bool asked = m_host.write(protocol::hello);
    const auto outcome = asked ? m_host.read(head, m_timeLimit, m_interrupt)
                               : platform::ChildProcess::ReadOutcome::Closed;
    if (outcome != platform::ChildProcess::ReadOutcome::Read) {
        if (outcome == platform::ChildProcess::ReadOutcome::Interrupted)
            abandon(LibraryFailure::Kind::Interrupted, {});
        auto status = outcome == platform::ChildProcess::ReadOutcome::Closed
                          ? m_host.wait(endingTime)
                          : std::nullopt;
        if (!status)
            status = m_host.kill();
        m_host = platform::ChildProcess();
        notStarted(m_hostPath + ": " +
                   (outcome == platform::ChildProcess::ReadOutcome::TimedOut
                        ? std::string("no answer")
                        : status->text()));
    }
    std::size_t textLength = 0;
    const auto answer = protocol::decodeHelloAnswer(head, textLength);
    if (!answer || answer->version != protocol::version) {
        notStarted(m_hostPath + ": " +
                   (answer ? "speaks version " + std::to_string(answer->version) +
                                 " of the protocol, not " + std::to_string(protocol::version)
                           : std::string("an answer that is not of the protocol")));
    }
    std::vector<std::uint8_t> text(textLength);
    if (textLength > 0 &&
        m_host.read(text, m_timeLimit, m_interrupt) != platform::ChildProcess::ReadOutcome::Read)
        text.clear();
    const std::string why(text.begin(), text.end());
    switch (answer->readiness) {
    case protocol::Readiness::Ready:
        return;
    case protocol::Readiness::LibraryNotLoaded:
    case protocol::Readiness::FunctionMissing:
        // The host ends after such an answer.
        if (!m_host.wait(endingTime))
            m_host.kill();
        m_host = platform::ChildProcess();
        throw LibraryFailure(LibraryFailure::Kind::NotStarted,
                             (answer->readiness == protocol::Readiness::LibraryNotLoaded
                                  ? libraryNotLoaded
                                  : functionMissing) +
                                 why);
    }
}

void HostedLockLibrary::abandon(LibraryFailure::Kind kind, std::string detail) {
    m_host.kill();
    m_host = platform::ChildProcess();
    throw LibraryFailure(kind, std::move(detail));
}

void HostedLockLibrary::hostEnded() {
    std::optional<platform::ExitStatus> status = m_host.wait(endingTime);
    if (!status)
        status = m_host.kill();
    m_host = platform::ChildProcess();
    throw LibraryFailure(LibraryFailure::Kind::Stopped, status->text());
}

std::int16_t HostedLockLibrary::call(protocol::Request request) {
    // The host ended with the call that failed; this call is the first of a new one.
    if (!m_host.started())
        start();
    request.sequence = ++m_sequence;
    if (!m_host.write(protocol::encode(request)))
        hostEnded();
    std::array<std::uint8_t, protocol::answerSize> bytes{};
    switch (m_host.read(bytes, m_timeLimit, m_interrupt)) {
    case platform::ChildProcess::ReadOutcome::Read:
        break;
    case platform::ChildProcess::ReadOutcome::Closed:
        hostEnded();
    case platform::ChildProcess::ReadOutcome::TimedOut:
        abandon(LibraryFailure::Kind::NoAnswer, {});
    case platform::ChildProcess::ReadOutcome::Interrupted:
        abandon(LibraryFailure::Kind::Interrupted, {});
    }
    const auto answer = protocol::decodeAnswer(bytes);
    if (!answer)
        abandon(LibraryFailure::Kind::Stopped, "an answer that is not of the protocol");
    if (answer->call != request.call || answer->sequence != request.sequence)
        abandon(LibraryFailure::Kind::Stopped,
                "answered " + describe(*answer) + " to " +
                    describe(protocol::Answer{request.call, request.sequence, 0}));
    return answer->result;
}

std::int16_t HostedLockLibrary::initializeSystem(std::int16_t cardType) {
    protocol::Request r;
    r.call = protocol::Call::InitializeSystem;
    r.cardType = cardType;
    return call(r);
}

std::int16_t HostedLockLibrary::setAuthCode(const AuthCode& code, const SectorArguments& sectors) {
    protocol::Request r;
    r.call = protocol::Call::SetAuthCode;
    r.authCode = code;
    r.sectors = sectors;
    return call(r);
}

std::int16_t HostedLockLibrary::issueGuestCard(GuestCardRequest& request) {
    protocol::Request r;
    r.call = protocol::Call::IssueGuestCard;
    r.card = request;
    return call(r);
}

void HostedLockLibrary::freeSystem() {
    call(protocol::Request{protocol::Call::FreeSystem});
}

void HostedLockLibrary::beepOk() {
    call(protocol::Request{protocol::Call::BeepOk});
}

void HostedLockLibrary::beepFailure() {
    call(protocol::Request{protocol::Call::BeepFailure});
}

} // namespace zorva::lock
