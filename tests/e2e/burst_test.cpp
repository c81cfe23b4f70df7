// Bursts against the installed program: a group check-in, a front office re-sending its queue
// after an outage, a sender that floods the port with junk.

#include "flood_mix.h"
#include "program_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr std::size_t burstSize = 10'000;
constexpr const char* lossLine = "Alım Kuyruğu Doldu - Kaybolan Paket Sayısı: ";

class Burst : public ::testing::Test {
protected:
    void SetUp() override {
        copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
        copy.writeIni("Odalar.ini", e2e::floodRoomFile());
        program = std::make_unique<e2e::Program>(copy);
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s)) << "the automatic start";
        ASSERT_EQ(journal.newLines().size(), 4u);
    }

    // Reads the journal until it holds `count` more lines or nothing has come for a while.
    std::vector<std::string> journalLines(std::size_t count) {
        std::vector<std::string> lines;
        auto lastNews = std::chrono::steady_clock::now();
        while (lines.size() < count && std::chrono::steady_clock::now() - lastNews < 10s) {
            auto fresh = journal.newLines();
            if (fresh.empty()) {
                std::this_thread::sleep_for(20ms);
                continue;
            }
            lastNews = std::chrono::steady_clock::now();
            for (std::string& line : fresh)
                lines.push_back(std::move(line));
        }
        return lines;
    }

    // The losses the program told, added up.
    std::uint64_t lossesTold() const {
        const std::string output = copy.readFile(copy.output());
        std::uint64_t lost = 0;
        const std::regex told(std::string(lossLine) + "([0-9]+)");
        for (auto it = std::sregex_iterator(output.begin(), output.end(), told);
             it != std::sregex_iterator(); ++it)
            lost += std::stoull((*it)[1]);
        return lost;
    }

    const int port = e2e::freeUdpPort();
    e2e::InstalledCopy copy;
    e2e::JournalFollower journal{copy.journal()};
    std::unique_ptr<e2e::Program> program;
};

TEST_F(Burst, TenThousandCheckinsAsFastAsOneSenderCanGiveTenThousandCardsInOrder) {
    e2e::FloodMix mix(3);
    std::vector<std::string> expected;
    std::vector<std::string> datagrams;
    for (std::size_t i = 0; i < burstSize; ++i) {
        e2e::FloodDatagram d = mix.validCheckin();
        datagrams.push_back(std::move(d.bytes));
        expected.push_back(*d.request);
        expected.push_back("LV4_BeepOk");
    }
    e2e::Sender sender(port);
    for (const std::string& d : datagrams)
        ASSERT_TRUE(sender.send(d));

    const std::vector<std::string> lines = journalLines(expected.size());
    ASSERT_EQ(lines.size(), expected.size()) << lossesTold() << " told as lost";
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(lines[i], expected[i]) << "journal line " << i;
    EXPECT_EQ(lossesTold(), 0u);
    EXPECT_TRUE(program->running());
}

// Measured before the log was bounded by size and received text cut: 10,000 of these took the
// program from 32 MB to 357 MB.
TEST_F(Burst, TenThousandLongUndefinedRoomsKeepMemoryBoundedAndEveryLossIsTold) {
    const std::string name = std::string(8100, 'n');
    const std::string datagram = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=" + name;
    ASSERT_LE(datagram.size(), 8192u);
    e2e::Sender sender(port);
    for (std::size_t i = 0; i < burstSize; ++i)
        ASSERT_TRUE(sender.send(datagram));

    // Each one handled gives the failure beep; each one not handled is told as lost.
    std::vector<std::string> beeps;
    std::uint64_t lost = 0;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (beeps.size() + lost < burstSize && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        for (std::string& line : journal.newLines())
            beeps.push_back(std::move(line));
        lost = lossesTold();
    }
    EXPECT_THAT(beeps, ::testing::Each(std::string("LV4_BeepFailure")));
    EXPECT_EQ(beeps.size() + lost, burstSize);
    RecordProperty("lostAndTold", std::to_string(lost));

#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer keeps freed memory aside, so the bound means nothing under it.
    const long resident = e2e::residentKilobytes(program->pid());
    EXPECT_LT(resident, 80 * 1024) << resident << " kB";
    RecordProperty("residentKilobytes", std::to_string(resident));
#endif
    const std::string output = copy.readFile(copy.output());
    EXPECT_NE(output.find("Tanımsız Oda - Oda Adı: " + std::string(100, 'n') + "...\n"),
              std::string::npos)
        << "the name is cut in the log";
    EXPECT_EQ(output.find(std::string(101, 'n')), std::string::npos);
}

} // namespace
