// The sender over real sockets on loopback, and the installed tool as a person runs it.

#include "loopback_receiver.h"
#include "tools/udp_sender.h"

#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>

namespace zorva::tools {
namespace {

using namespace std::chrono_literals;
using test::LoopbackReceiver;
using ::testing::HasSubstr;

std::string sendFailure(const std::function<void()>& action) {
    try {
        action();
    } catch (const SendError& e) {
        return e.what();
    }
    return "no error";
}

TEST(UdpSender, DeliversEachDatagramWholeAndUnchanged) {
    LoopbackReceiver receiver;
    UdpSender sender("127.0.0.1", receiver.port());
    EXPECT_EQ(sender.target(), "127.0.0.1:" + std::to_string(receiver.port()));
    const std::string binary("\x00\xff^\r\n", 5);
    const std::vector<std::string> datagrams{"CIN=1^COUT=2^ODA=3", "", binary,
                                             std::string(8193, 'x'), std::string(65507, 'y')};
    for (const auto& d : datagrams)
        sender.send(d);
    for (const auto& d : datagrams)
        EXPECT_EQ(receiver.receive(), d);
    EXPECT_NO_THROW(sender.checkDelivery(50ms));
}

TEST(UdpSender, ResolvesAHostName) {
    LoopbackReceiver receiver;
    UdpSender sender("localhost", receiver.port());
    sender.send("hello");
    EXPECT_EQ(receiver.receive(), "hello");
    EXPECT_EQ(sender.target(), "127.0.0.1:" + std::to_string(receiver.port()));
}

TEST(UdpSender, SendsFromTheLocalAddressItIsGiven) {
    LoopbackReceiver receiver;
    UdpSender sender("127.0.0.1", receiver.port(), "127.0.0.9");
    sender.send("hello");
    std::string from;
    EXPECT_EQ(receiver.receive(5s, &from), "hello");
    EXPECT_EQ(from, "127.0.0.9");

    EXPECT_EQ(sendFailure([&] { UdpSender("127.0.0.1", receiver.port(), "127.0.0"); }),
              "cannot send from 127.0.0: not an IPv4 address");
    // An address this machine does not have.
    EXPECT_EQ(sendFailure([&] { UdpSender("127.0.0.1", receiver.port(), "192.0.2.1"); }),
              "cannot send from 192.0.2.1: Cannot assign requested address");
}

TEST(UdpSender, ReportsWhatTheSystemRefuses) {
    EXPECT_EQ(sendFailure([] { UdpSender("127.0.0.1", 9).send(std::string(65508, 'z')); }),
              "cannot send to 127.0.0.1:9: Message too long (a UDP datagram over IPv4 holds at "
              "most 65507 bytes)");

    // Loopback answers at once that nothing listens; the report comes with the next send or
    // the delivery check, whichever is first.
    const int port = test::closedPort();
    UdpSender first("127.0.0.1", port);
    first.send("CIN=1");
    EXPECT_EQ(sendFailure([&] { first.checkDelivery(1s); }),
              "cannot send to 127.0.0.1:" + std::to_string(port) +
                  ": Connection refused (nothing listens on that port)");
    UdpSender second("127.0.0.1", port);
    second.send("CIN=1");
    EXPECT_THAT(sendFailure([&] {
                    for (int i = 0; i < 100; ++i)
                        second.send("CIN=1");
                }),
                HasSubstr("Connection refused"));
}

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built tool with its output caught in files.
ToolRun runTool(const std::vector<std::string>& args) {
    zorva::testing::TempDirectory dir;
    const std::string out = dir.file("out"), err = dir.file("err");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(o, 1);
        ::dup2(e, 2);
        std::vector<char*> argv{const_cast<char*>(ZORVA_SEND_PATH)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(ZORVA_SEND_PATH, argv.data());
        ::_exit(127);
    }
    ToolRun run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = zorva::testing::readBytes(out);
    run.err = zorva::testing::readBytes(err);
    return run;
}

TEST(ZorvaSend, SendsACheckinAndSaysSo) {
    LoopbackReceiver receiver;
    const std::string port = std::to_string(receiver.port());
    const ToolRun run = runTool(
        {"--room", "101", "--in", "29.07.2025 14:00", "--out", "31.07.2025 12:00", "--port", port});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "zorva-send: sent 1 datagram (50 bytes) to 127.0.0.1:" + port + "\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(receiver.receive(), "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101");
}

TEST(ZorvaSend, SendsTheLinesOfAFileRoundAfterRoundAtARate) {
    LoopbackReceiver receiver;
    zorva::testing::TempDirectory dir;
    zorva::testing::writeBytes(dir.file("list.txt"), "ODA=1\n\nODA=3\n");
    const ToolRun run = runTool({"--lines", dir.file("list.txt"), "--count", "3", "--rate", "1000",
                                 "--quiet", "--port", std::to_string(receiver.port())});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    for (int round = 0; round < 3; ++round)
        for (const char* d : {"ODA=1", "", "ODA=3"})
            EXPECT_EQ(receiver.receive(), d) << round;
    EXPECT_FALSE(receiver.receive(100ms));
}

TEST(ZorvaSend, ExplainsItselfAndFailsClearly) {
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("Usage: zorva-send [options]"));

    const ToolRun bad = runTool({"--text", "x", "--port", "70000"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "zorva-send: --port must be a whole number from 1 to 65535, not '70000'\n"
                       "Try 'zorva-send --help' for more information.\n");

    const ToolRun missing = runTool({"--file", "/nonexistent/checkin.txt"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "zorva-send: cannot read /nonexistent/checkin.txt: no such file\n");

    const std::string port = std::to_string(test::closedPort());
    const ToolRun refused = runTool({"--text", "CIN=1", "--port", port});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "zorva-send: cannot send to 127.0.0.1:" + port +
                               ": Connection refused (nothing listens on that port)\n");
}

} // namespace
} // namespace zorva::tools
