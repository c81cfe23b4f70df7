#include "platform/child_process.h"
#include "platform/process_status.h"
#include "tests/platform/child_process_fixture.h"
#include "tests/support/environment.h"
#include "tests/support/test_socket.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

namespace zorva::platform {
namespace {

using Outcome = ChildProcess::ReadOutcome;
using testing::TestSocket;
using Clock = std::chrono::steady_clock;

// Long enough for any child to start and answer, even under an emulator; only a hang reaches it.
constexpr auto hang = 30s;

TEST(ChildProcess, ARoundTripCarriesEveryByteUnchangedBothWaysBeyondAPipeBuffer) {
    ChildProcess child = startChild({"echo"});
    ASSERT_TRUE(child.started());
    EXPECT_GT(child.pid(), 0);

    std::vector<std::uint8_t> sent(1 << 20);
    std::mt19937 random(7);
    std::generate(sent.begin(), sent.end(), [&] { return static_cast<std::uint8_t>(random()); });
    // The child answers as it reads, so its answer has to be taken while the request goes out.
    bool written = false;
    std::thread writer([&] { written = child.write(sent); });
    std::vector<std::uint8_t> received(sent.size());
    const Outcome outcome = child.read(received, hang);
    writer.join();
    ASSERT_EQ(outcome, Outcome::Read);
    EXPECT_TRUE(written);
    EXPECT_TRUE(received == sent);

    ASSERT_TRUE(writeText(child, "ping"));
    EXPECT_EQ(readText(child, 4), "ping");
}

TEST(ChildProcess, AnAnswerThatComesInPiecesIsReadWhole) {
    ChildProcess child = startChild({"echo", "7", "2"});
    const std::string request = testing::child_program::pattern(100);
    ASSERT_TRUE(writeText(child, request));
    EXPECT_EQ(readText(child, 100), request);

    ASSERT_TRUE(writeText(child, "0123456789"));
    EXPECT_EQ(readText(child, 3), "012");
    EXPECT_EQ(readText(child, 7), "3456789");
}

TEST(ChildProcess, WhatAReadCutShortTookComesFirstInTheNextRead) {
    ChildProcess child = startChild({"echo"});
    TestSocket interrupt;
    std::uint8_t buffer[6] = {};
    auto text = [&] { return std::string(buffer, buffer + sizeof buffer); };

    ASSERT_TRUE(writeText(child, "0"));
    ASSERT_EQ(readText(child, 1), "0") << "the child is up and answers at once";
    ASSERT_TRUE(writeText(child, "abc"));
    EXPECT_EQ(child.read(buffer, 500ms), Outcome::TimedOut);
    ASSERT_TRUE(writeText(child, "def"));
    ASSERT_EQ(child.read(buffer, hang), Outcome::Read);
    EXPECT_EQ(text(), "abcdef");

    ASSERT_TRUE(writeText(child, "gh"));
    ASSERT_EQ(readText(child, 1), "g");
    interrupt.sendTo(interrupt.port(), "!");
    EXPECT_EQ(child.read(buffer, hang, interrupt.handle()), Outcome::Interrupted);
    ASSERT_TRUE(writeText(child, "ijklm"));
    ASSERT_EQ(child.read(buffer, hang), Outcome::Read);
    EXPECT_EQ(text(), "hijklm");
}

TEST_P(ChildEndingTest, AChildThatEndsMidReadGivesClosedAndHowItEnded) {
    ChildProcess child = startChild(GetParam().arguments);
    std::uint8_t buffer[endingBytes + 1] = {};
    EXPECT_EQ(child.read(buffer, hang), Outcome::Closed);
    EXPECT_EQ(child.read(buffer, hang), Outcome::Closed) << "the end stays an end";
    const std::optional<ExitStatus> status = child.wait(hang);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, GetParam().status);
    EXPECT_EQ(status->text(), GetParam().text);
    EXPECT_EQ(child.wait(0ms), status) << "a later wait gives the same status";
    EXPECT_EQ(child.kill(), *status) << "a child that has ended keeps its own status";
}

TEST(ChildProcess, AChildThatNeverAnswersTimesOutAfterTheLimitAndStillRuns) {
    ChildProcess child = startChild({"sleep"});
    std::uint8_t byte = 0;
    const auto before = Clock::now();
    EXPECT_EQ(child.read(std::span(&byte, 1), 300ms), Outcome::TimedOut);
    const auto waited = Clock::now() - before;
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, hang);
    EXPECT_EQ(child.wait(100ms), std::nullopt);
}

TEST(ChildProcess, AReadableInterruptCutsTheWaitShortWithoutBeingRead) {
    ChildProcess child = startChild({"sleep"});
    std::uint8_t byte = 0;
    {
        TestSocket interrupt;
        interrupt.sendTo(interrupt.port(), "!");
        const auto before = Clock::now();
        EXPECT_EQ(child.read(std::span(&byte, 1), hang, interrupt.handle()), Outcome::Interrupted);
        EXPECT_LT(Clock::now() - before, hang / 3) << "already readable";
        EXPECT_TRUE(interrupt.hasIncoming());
    }
    {
        TestSocket interrupt;
        std::thread sender([&] {
            std::this_thread::sleep_for(100ms);
            interrupt.sendTo(interrupt.port(), "!");
        });
        const auto before = Clock::now();
        const Outcome outcome = child.read(std::span(&byte, 1), hang, interrupt.handle());
        const auto waited = Clock::now() - before;
        sender.join();
        EXPECT_EQ(outcome, Outcome::Interrupted);
        EXPECT_LT(waited, hang / 3) << "readable during the wait";
        EXPECT_TRUE(interrupt.hasIncoming());
    }
}

TEST(ChildProcess, AnAnswerThatIsThereTogetherWithTheInterruptIsTaken) {
    ChildProcess child = startChild({"write", "5", "0"});
    ASSERT_TRUE(child.wait(hang).has_value()) << "its answer is all in the pipe";
    TestSocket interrupt;
    interrupt.sendTo(interrupt.port(), "!");
    std::uint8_t buffer[5] = {};
    EXPECT_EQ(child.read(buffer, hang, interrupt.handle()), Outcome::Read);
    EXPECT_EQ(std::string(buffer, buffer + 5), testing::child_program::pattern(5));
}

// Wine starts a console host for each console program and hands it every inheritable handle of
// the program's, our pipe ends too; that copy stays open while the program runs.
constexpr const char* consoleHostHoldsThePipes =
    "under Wine the child's console host holds the pipe ends";

TEST(ChildProcess, OutputClosedByAChildThatStillRunsReadsAsClosed) {
    if (testing::underWine())
        GTEST_SKIP() << consoleHostHoldsThePipes;
    ChildProcess child = startChild({"close-output"});
    std::uint8_t byte = 0;
    EXPECT_EQ(child.read(std::span(&byte, 1), hang), Outcome::Closed);
    EXPECT_EQ(child.wait(100ms), std::nullopt);
}

// Until the child has closed its input, or the system has done with its end of the pipe after
// the child ended, what is written waits in the pipe.
bool writesBecomeFalse(ChildProcess& child) {
    for (const auto deadline = Clock::now() + hang; Clock::now() < deadline;
         std::this_thread::sleep_for(10ms))
        if (!writeText(child, "x"))
            return true;
    return false;
}

TEST(ChildProcess, WritesToAChildThatEndedAreFalse) {
    const std::vector<std::uint8_t> large(1 << 20, 'x');
    ChildProcess child = startChild({"write", "0", "0"});
    ASSERT_TRUE(child.wait(hang).has_value());
    EXPECT_TRUE(writesBecomeFalse(child));
    EXPECT_FALSE(child.write(large));
}

TEST(ChildProcess, WritesToAChildThatClosedItsInputAreFalse) {
    if (testing::underWine())
        GTEST_SKIP() << consoleHostHoldsThePipes;
    const std::vector<std::uint8_t> large(1 << 20, 'x');
    ChildProcess child = startChild({"close-input"});
    EXPECT_TRUE(writesBecomeFalse(child));
    EXPECT_FALSE(child.write(large));
    EXPECT_EQ(child.wait(0ms), std::nullopt) << "it still runs";
}

TEST(ChildProcess, ClosingItsInputEndsAnEchoingChildByItself) {
    ChildProcess child = startChild({"echo"});
    ASSERT_TRUE(writeText(child, "bye"));
    child.closeInput();
    EXPECT_FALSE(writeText(child, "more"));
    EXPECT_EQ(readText(child, 3), "bye");
    EXPECT_EQ(readUntilClosed(child), "");
    EXPECT_EQ(child.wait(hang), (ExitStatus{false, 0}));
}

TEST(ChildProcess, TheChildGetsItsArgumentsExactlyItsNameFirst) {
    const std::vector<std::string> arguments = {
        "child program", "arguments",  "plain", "two words", "",         "say \"hi\"",
        "back\\slash",   "trailing\\", "\\\"",  "\\\\\"",    "tab\there"};
    ChildProcess child = ChildProcess::start(childProgramPath(), arguments);
    const std::string output = readUntilClosed(child);
    std::vector<std::string> received;
    for (std::size_t start = 0, end; (end = output.find('\0', start)) != std::string::npos;
         start = end + 1)
        received.push_back(output.substr(start, end - start));
    EXPECT_EQ(received, arguments);
}

TEST(ChildProcess, EndsWithItsOwnerAndCanBeMovedButNotShared) {
    long long firstPid = 0;
    {
        ChildProcess first = startChild({"sleep"});
        firstPid = first.pid();
        ASSERT_TRUE(processRunning(static_cast<unsigned long>(firstPid)));
    }
    EXPECT_FALSE(processRunning(static_cast<unsigned long>(firstPid))) << "killed and reaped";

    ChildProcess holder = startChild({"sleep"});
    const long long replacedPid = holder.pid();
    holder = startChild({"sleep"});
    EXPECT_FALSE(processRunning(static_cast<unsigned long>(replacedPid)));

    const long long movedPid = holder.pid();
    ChildProcess moved = std::move(holder);
    EXPECT_EQ(moved.pid(), movedPid);
    EXPECT_TRUE(processRunning(static_cast<unsigned long>(movedPid)));
    EXPECT_FALSE(holder.started());
}

TEST(ChildProcess, WithoutAChildNothingHappens) {
    ChildProcess none;
    std::uint8_t byte = 0;
    EXPECT_FALSE(none.started());
    EXPECT_EQ(none.pid(), 0);
    EXPECT_FALSE(writeText(none, "x"));
    EXPECT_EQ(none.read(std::span(&byte, 1), 0ms), Outcome::Closed);
    EXPECT_EQ(none.wait(0ms), std::nullopt);
    none.closeInput();
    EXPECT_EQ(none.kill(), ExitStatus{});
}

} // namespace
} // namespace zorva::platform
