// Whom the installed program takes check-ins from, with senders on other loopback addresses.

#include "program_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace std::chrono_literals;

namespace {

const std::string rooms = "[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=12\r\nODA_STR=101\r\n";
const std::string checkin = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101";
const std::string card = "LV4_IssueGuestCard 0101020c 0000000000000000 0000 000000 "
                         "323032353037323931343030 323032353037333131323030 "
                         "0100000000001000000000 00000000000000 0 -> 0";

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(AllowedSenders, AddressesAndRangesAreTakenOthersToldOnceAndTheListIsKept) {
    e2e::InstalledCopy copy;
    const int port = e2e::freeUdpPort();
    copy.writeIni("AnaF_JvFormStorage1.ini",
                  e2e::autoStartSettings(port) +
                      "EditIzinliGonderenler_Text=127.0.0.2, 127.0.1.0/24\r\n");
    copy.writeIni("Odalar.ini", rooms);
    for (int run = 0; run < 2; ++run) {
        e2e::Program program(copy);
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s, 1 + 3 * run));
        for (const char* from : {"127.0.0.1", "127.0.0.3", "127.0.0.1", "127.0.2.1", "127.0.0.1"})
            e2e::sendDatagramFrom(from, port, checkin);
        e2e::sendDatagramFrom("127.0.0.2", port, checkin);
        e2e::sendDatagramFrom("127.0.1.200", port, checkin);
        ASSERT_TRUE(e2e::waitForJournal(copy, card, 10s, 2 * (run + 1)))
            << copy.readFile(copy.output());
        const std::string output = copy.readFile(copy.output());
        EXPECT_EQ(count(output, "İzinsiz Gönderen - 127.0.0.1\n"), run + 1u) << "once a minute";
        EXPECT_EQ(count(output, "İzinsiz Gönderen - 127.0.0.3\n"), run + 1u);
        EXPECT_EQ(count(output, "İzinsiz Gönderen - 127.0.2.1\n"), run + 1u);
        EXPECT_EQ(count(copy.readFile(copy.journal()), "LV4_IssueGuestCard"), 2 * (run + 1u))
            << "the refused senders got no card";
        program.signal(SIGTERM);
        ASSERT_EQ(program.wait(10s), 0);
        EXPECT_NE(copy.readFile(copy.iniDir() / "AnaF_JvFormStorage1.ini")
                      .find("\r\nEditIzinliGonderenler_Text=127.0.0.2, 127.0.1.0/24\r\n"),
                  std::string::npos)
            << "kept across the restart";
    }
}

} // namespace
