// Signals, descriptors, zombies and the reasons POSIX gives.

#include "platform/child_process.h"
#include "platform/error.h"
#include "platform/termination_signals.h"
#include "tests/platform/child_process_fixture.h"
#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zorva::platform {
namespace {

using Outcome = ChildProcess::ReadOutcome;
using Clock = std::chrono::steady_clock;
using ::testing::HasSubstr;

constexpr auto hang = 30s;
const std::string written = std::to_string(endingBytes);

INSTANTIATE_TEST_SUITE_P(
    Posix, ChildEndingTest,
    ::testing::Values(EndingCase{{"write", written, "3"}, {false, 3}, "exit code 3"},
                      EndingCase{
                          {"crash", written}, {true, SIGSEGV}, "signal 11 (Segmentation fault)"},
                      EndingCase{{"abort", written}, {true, SIGABRT}, "signal 6 (Aborted)"}));

TEST(ExitStatus, TextNamesTheCodeOrTheSignalAndWhatItMeans) {
    EXPECT_EQ((ExitStatus{false, 0}).text(), "exit code 0");
    EXPECT_EQ((ExitStatus{false, 255}).text(), "exit code 255");
    EXPECT_EQ((ExitStatus{true, SIGKILL}).text(), "signal 9 (Killed)");
    EXPECT_EQ((ExitStatus{true, SIGTERM}).text(), "signal 15 (Terminated)");
    EXPECT_EQ((ExitStatus{true, 1000}).text(), "signal 1000 (Unknown signal)");
}

TEST(ChildProcess, KillEndsARunningChildWithSigkill) {
    ChildProcess child = startChild({"sleep"});
    EXPECT_EQ(child.kill(), (ExitStatus{true, SIGKILL}));
    EXPECT_EQ(child.wait(0ms), (ExitStatus{true, SIGKILL}));
}

TEST(ChildProcess, AProgramThatCannotBeStartedThrowsTheSystemsReason) {
    testing::TempDirectory directory;
    const std::string missing = directory.file("no-such-program");
    const std::string notExecutable = directory.file("not-executable");
    testing::writeBytes(notExecutable, "#!/bin/sh\n");
    for (const auto& [program, reason] : {std::pair{missing, std::strerror(ENOENT)},
                                          std::pair{notExecutable, std::strerror(EACCES)}}) {
        try {
            ChildProcess::start(program, {"x"});
            ADD_FAILURE() << program << " started";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot start " + program + ": " + reason);
        }
    }
}

// Every descriptor of this process, with what it leads to.
std::set<std::string> openDescriptors() {
    std::set<std::string> fds;
    DIR* directory = ::opendir("/proc/self/fd");
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || std::stoi(name) == ::dirfd(directory))
            continue;
        char target[256] = {};
        [[maybe_unused]] const auto length =
            ::readlink(("/proc/self/fd/" + name).c_str(), target, sizeof target - 1);
        fds.insert(name + " " + target);
    }
    ::closedir(directory);
    return fds;
}

TEST(ChildProcess, TheChildHasOnlyItsStandardDescriptorsEvenWhereOursLackCloseOnExec) {
    const int file = ::open("/dev/null", O_RDONLY);
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(file, 0);
    ASSERT_GE(socket, 0);

    ChildProcess child = startChild({"handles"});
    EXPECT_EQ(readUntilClosed(child), "0 1 2");

    for (const int fd : {file, pipe[0], pipe[1], socket})
        ::close(fd);
}

TEST(ChildProcess, PipesThatGetTheNumbersOfClosedStandardDescriptorsStillReachTheChild) {
    // With our standard input closed, the next pipe takes descriptor 0 for one of its ends.
    const int ours = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 10);
    ASSERT_GE(ours, 0);
    ::close(STDIN_FILENO);
    ChildProcess child = startChild({"echo"});
    const bool written = writeText(child, "through");
    const std::optional<std::string> answer = readText(child, 7);
    ::dup2(ours, STDIN_FILENO);
    ::close(ours);
    EXPECT_TRUE(written);
    EXPECT_EQ(answer, "through");
}

// The signals of a mask line in /proc/<pid>/status ("SigBlk:\t0000000000010000"), of those a
// program may use: glibc reserves the two below SIGRTMIN for itself, and what posix_spawn starts
// has them ignored.
std::vector<int> signalsIn(const std::string& line) {
    const unsigned long long mask = std::stoull(line.substr(line.find('\t') + 1), nullptr, 16);
    std::vector<int> signals;
    for (int signal = 1; signal <= 64; ++signal)
        if ((mask >> (signal - 1) & 1) && (signal < 32 || signal >= SIGRTMIN))
            signals.push_back(signal);
    return signals;
}

TEST(ChildProcess, TheChildStartsWithNoSignalBlockedOrIgnored) {
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &usr1, &before);
    const auto previous = std::signal(SIGPIPE, SIG_IGN);

    ChildProcess child = startChild({"sleep"});
    std::ifstream status("/proc/" + std::to_string(child.pid()) + "/status");
    std::map<std::string, std::vector<int>> masks;
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("SigBlk:") || line.starts_with("SigIgn:"))
            masks[line.substr(0, 6)] = signalsIn(line);

    std::signal(SIGPIPE, previous);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    using Masks = std::map<std::string, std::vector<int>>;
    EXPECT_EQ(masks, (Masks{{"SigBlk", {}}, {"SigIgn", {}}}));
}

TEST(ChildProcess, ItsStandardErrorIsOurs) {
    testing::TempDirectory directory;
    const std::string captured = directory.file("stderr");
    const int file = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    const int ours = ::dup(STDERR_FILENO);
    ::dup2(file, STDERR_FILENO);
    ::close(file);

    std::string answer;
    {
        ChildProcess child = startChild({"stderr", "from the child"});
        answer = readUntilClosed(child);
        child.wait(hang);
    }
    ::dup2(ours, STDERR_FILENO);
    ::close(ours);
    EXPECT_EQ(answer, "written");
    EXPECT_EQ(testing::readBytes(captured), "from the child");
}

TEST(ChildProcess, AWriteToAnEndedChildRaisesNoSigpipeAndLeavesTheMaskAsItWas) {
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    ChildProcess child = startChild({"write", "0", "0"});
    ASSERT_TRUE(child.wait(hang).has_value());
    EXPECT_FALSE(writeText(child, "x"));

    sigset_t pending;
    sigset_t blocked;
    sigpending(&pending);
    pthread_sigmask(SIG_SETMASK, nullptr, &blocked);
    std::signal(SIGPIPE, previous);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
    EXPECT_FALSE(sigismember(&blocked, SIGPIPE));
}

TEST(ChildProcess, TheTerminationSignalDescriptorInterruptsAWait) {
    static const int notices = watchTerminationSignals();
    ASSERT_GE(notices, 0);
    ChildProcess child = startChild({"sleep"});
    std::uint8_t byte = 0;
    std::thread raiser([] {
        std::this_thread::sleep_for(100ms);
        std::raise(SIGTERM);
    });
    const auto before = Clock::now();
    const Outcome outcome = child.read(std::span(&byte, 1), hang, notices);
    const auto waited = Clock::now() - before;
    raiser.join();
    EXPECT_EQ(outcome, Outcome::Interrupted);
    EXPECT_LT(waited, hang / 3);
    EXPECT_EQ(takeTerminationSignal(notices), SIGTERM) << "the notice is left to its reader";
}

// The children of this process that have ended and wait to be reaped.
std::vector<std::string> zombieChildren() {
    std::vector<std::string> zombies;
    DIR* proc = ::opendir("/proc");
    while (const dirent* entry = ::readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos)
            continue;
        // "pid (name) state ppid ...", where the name may hold spaces and parentheses.
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        char state = 0;
        long parent = 0;
        fields >> state >> parent;
        if (state == 'Z' && parent == ::getpid())
            zombies.push_back(line);
    }
    ::closedir(proc);
    return zombies;
}

TEST(ChildProcess, FiftyStartsAndKillsLeaveNoZombieAndNoDescriptorOpen) {
    const std::set<std::string> before = openDescriptors();
    for (int i = 0; i < 50; ++i) {
        ChildProcess child = startChild({i % 2 ? "sleep" : "echo"});
        EXPECT_EQ(child.kill(), (ExitStatus{true, SIGKILL}));
    }
    EXPECT_THAT(zombieChildren(), ::testing::IsEmpty());
    EXPECT_EQ(openDescriptors(), before);
}

} // namespace
} // namespace zorva::platform
