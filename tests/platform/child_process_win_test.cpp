// Exception codes, handle inheritance, a windowed program's missing standard error, and the
// event loop's watch on the interrupt socket.

// winsock2.h before anything that brings in windows.h, which would bring in the old winsock.h.
#include <winsock2.h>

#include "platform/child_process.h"
#include "platform/error.h"
#include "platform/process_status.h"
#include "platform/win32_error.h"
#include "tests/platform/child_process_fixture.h"
#include "tests/support/temp_directory.h"
#include "tests/support/test_socket.h"

#include <gtest/gtest.h>

#include <thread>
#include <windows.h>
#include <winsock2.h>

namespace zorva::platform {
namespace {

using Outcome = ChildProcess::ReadOutcome;
using Clock = std::chrono::steady_clock;

constexpr auto hang = 30s;
const std::string written = std::to_string(endingBytes);
const int accessViolation = static_cast<int>(0xC0000005u);

INSTANTIATE_TEST_SUITE_P(
    Windows, ChildEndingTest,
    ::testing::Values(EndingCase{{"write", written, "3"}, {false, 3}, "exit code 3"},
                      EndingCase{
                          {"crash", written}, {false, accessViolation}, "exit code 0xC0000005"},
                      // The C runtime's abort() ends the program with exit code 3.
                      EndingCase{{"abort", written}, {false, 3}, "exit code 3"}));

TEST(ExitStatus, TextShowsExceptionCodesInHex) {
    struct Case {
        std::uint32_t code;
        const char* text;
    };
    for (const Case& c :
         {Case{0, "exit code 0"}, Case{259, "exit code 259"},
          Case{0x7FFFFFFF, "exit code 2147483647"}, Case{0x80000000, "exit code 0x80000000"},
          Case{0xC000013A, "exit code 0xC000013A"}, Case{0xFFFFFFFF, "exit code 0xFFFFFFFF"}})
        EXPECT_EQ((ExitStatus{false, static_cast<int>(c.code)}).text(), c.text) << c.code;
}

TEST(ChildProcess, KillEndsARunningChildWithExitCode1) {
    ChildProcess child = startChild({"sleep"});
    EXPECT_EQ(child.kill(), (ExitStatus{false, 1}));
    EXPECT_EQ(child.wait(0ms), (ExitStatus{false, 1}));
}

TEST(ChildProcess, AProgramThatCannotBeStartedThrowsTheSystemsReason) {
    testing::TempDirectory directory;
    const std::string missing = directory.file("no-such-program.exe");
    try {
        ChildProcess::start(missing, {"x"});
        ADD_FAILURE() << missing << " started";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot start " + missing + ": " + win32ErrorText(ERROR_FILE_NOT_FOUND));
    }
}

// A handle of ours that the child can recognise by its value: inheritable, as a careless
// CreateProcess would hand it down, with a marker text in its file.
class InheritableFile {
public:
    explicit InheritableFile(const std::string& path) {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        m_handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &inheritable,
                               CREATE_ALWAYS, 0, nullptr);
        DWORD count = 0;
        if (m_handle == INVALID_HANDLE_VALUE ||
            !WriteFile(m_handle, marker, sizeof marker - 1, &count, nullptr))
            throw std::runtime_error("cannot write " + path);
    }
    InheritableFile(const InheritableFile&) = delete;
    InheritableFile& operator=(const InheritableFile&) = delete;
    ~InheritableFile() { CloseHandle(m_handle); }

    std::string value() const { return std::to_string(reinterpret_cast<std::uintptr_t>(m_handle)); }
    static constexpr char marker[] = "zorva-inherited-marker";

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// What the test program reports when it is started the careless way, with every inheritable
// handle of ours: the proof that it recognises the handles it is asked about.
std::string reportWhenStartedInheritingEverything(const std::vector<std::string>& arguments,
                                                  const std::string& outputPath) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      &inheritable, CREATE_ALWAYS, 0, nullptr);
    std::string line = "child_program";
    for (const std::string& argument : arguments)
        line += " " + argument;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    PROCESS_INFORMATION started{};
    const bool ok = CreateProcessA(childProgramPath().c_str(), line.data(), nullptr, nullptr, TRUE,
                                   CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started);
    CloseHandle(output);
    if (!ok)
        return "CreateProcess failed";
    WaitForSingleObject(started.hProcess, INFINITE);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return testing::readBytes(outputPath);
}

TEST(ChildProcess, TheChildInheritsNoInheritableHandleOfOursButItsThree) {
    testing::TempDirectory directory;
    InheritableFile file(directory.file("marked"));
    testing::TestSocket socket;
    const std::string socketValue = std::to_string(socket.handle());
    const std::vector<std::string> arguments = {"handles",
                                                "file",
                                                file.value(),
                                                InheritableFile::marker,
                                                "socket",
                                                socketValue,
                                                std::to_string(socket.port())};

    EXPECT_EQ(reportWhenStartedInheritingEverything(arguments, directory.file("report")),
              "file " + file.value() + "\nsocket " + socketValue + "\n");
    ChildProcess child = startChild(arguments);
    EXPECT_EQ(readUntilClosed(child), "");
}

// Sets this process's standard error handle, as GetStdHandle() gives it, for its lifetime.
class StandardError {
public:
    explicit StandardError(HANDLE handle) : m_ours(GetStdHandle(STD_ERROR_HANDLE)) {
        SetStdHandle(STD_ERROR_HANDLE, handle);
    }
    StandardError(const StandardError&) = delete;
    StandardError& operator=(const StandardError&) = delete;
    ~StandardError() { SetStdHandle(STD_ERROR_HANDLE, m_ours); }

private:
    HANDLE m_ours;
};

std::string answerOfStderrChild() {
    ChildProcess child = startChild({"stderr", "from the child"});
    std::string answer = readUntilClosed(child);
    child.wait(hang);
    return answer;
}

TEST(ChildProcess, ItsStandardErrorIsOursOrNulWhenWeHaveNone) {
    testing::TempDirectory directory;
    const std::string captured = directory.file("stderr");
    const HANDLE file = CreateFileA(captured.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string withFile;
    {
        StandardError redirected(file);
        withFile = answerOfStderrChild();
    }
    CloseHandle(file);
    EXPECT_EQ(withFile, "written");
    EXPECT_EQ(testing::readBytes(captured), "from the child");

    std::string withNone;
    {
        StandardError none(nullptr);
        withNone = answerOfStderrChild();
    }
    EXPECT_EQ(withNone, "written") << "a windowed program's child writes into NUL";
}

// A message arrives for the window within the time limit.
bool messageArrives(HWND window, UINT message) {
    MSG received{};
    const auto deadline = Clock::now() + hang;
    while (Clock::now() < deadline) {
        if (PeekMessageA(&received, window, message, message, PM_REMOVE))
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    return false;
}

TEST(ChildProcess, AnInterruptWatchedByTheEventLoopStaysWatched) {
    const HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    testing::TestSocket interrupt;
    const auto socket = static_cast<SOCKET>(interrupt.handle());
    ASSERT_EQ(WSAAsyncSelect(socket, window, WM_APP, FD_READ), 0);

    ChildProcess child = startChild({"sleep"});
    std::thread sender([&] {
        std::this_thread::sleep_for(100ms);
        interrupt.sendTo(interrupt.port(), "1");
    });
    std::uint8_t byte = 0;
    const Outcome outcome = child.read(std::span(&byte, 1), hang, interrupt.handle());
    sender.join();
    EXPECT_EQ(outcome, Outcome::Interrupted);
    EXPECT_TRUE(messageArrives(window, WM_APP));

    // Receiving asks for the next notice, which comes only while the window is still registered.
    char datagram = 0;
    ASSERT_EQ(::recv(socket, &datagram, 1, 0), 1);
    interrupt.sendTo(interrupt.port(), "2");
    EXPECT_TRUE(messageArrives(window, WM_APP));

    WSAAsyncSelect(socket, window, 0, 0);
    DestroyWindow(window);
}

// The handles open in this process, found by asking about every value a handle can have below
// 2^16 (they are multiples of 4); Wine's GetProcessHandleCount() always says 0.
std::size_t openHandles() {
    std::size_t open = 0;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < (1u << 16); value += 4)
        open += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    return open;
}

TEST(ChildProcess, FiftyStartsAndKillsLeaveNoHandleOpen) {
    startChild({"sleep"}).kill(); // whatever the system sets up once
    const std::size_t before = openHandles();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 50; ++i) {
        ChildProcess child = startChild({i % 2 ? "sleep" : "echo"});
        EXPECT_EQ(child.kill(), (ExitStatus{false, 1}));
        EXPECT_FALSE(processRunning(static_cast<unsigned long>(child.pid())));
    }
    EXPECT_EQ(openHandles(), before);
}

} // namespace
} // namespace zorva::platform
