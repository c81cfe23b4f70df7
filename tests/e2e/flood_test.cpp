// A flood of datagrams against the installed program, the way a broken or hostile sender on
// the network would send them.

#include "flood_mix.h"
#include "program_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr std::size_t floodSize = 100'000;
// Paced, the program handles every datagram, which takes it far longer than dropping most of
// them; a fifth of the flood shows the same at a fifth of the time.
constexpr std::size_t pacedSize = 20'000;
// What a flood may add to the program's memory: its log keeps at most 10,000 lines, and the
// rest of what a datagram costs is freed when it has been handled.
constexpr long memoryGrowthLimitKb = 32 * 1024;

// AddressSanitizer keeps freed memory aside for a while to catch late uses of it, so under it
// the program's memory grows with what it frees; the bound means nothing there.
void expectBoundedGrowth([[maybe_unused]] long before, [[maybe_unused]] long after) {
#ifdef __SANITIZE_ADDRESS__
    ::testing::Test::RecordProperty("memoryNotChecked", "AddressSanitizer");
#else
    EXPECT_LT(after - before, memoryGrowthLimitKb) << before << " kB before, " << after << " after";
#endif
}

// What the journal holds for one datagram once the program has handled it.
std::vector<std::string> journalFor(const e2e::FloodDatagram& d) {
    if (d.request)
        return {*d.request, "LV4_BeepOk"};
    if (d.unknownRoom)
        return {"LV4_BeepFailure"};
    return {};
}

class Flood : public ::testing::Test {
protected:
    void SetUp() override {
        copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
        copy.writeIni("Odalar.ini", e2e::floodRoomFile());
        program = std::make_unique<e2e::Program>(copy);
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s)) << "the automatic start";
        ASSERT_EQ(journal.newLines().size(), 4u);
    }

    // Sends a check-in of its own until the program answers it: everything sent before it has
    // then been handled or dropped by the system.
    bool answersProbe(e2e::FloodMix& mix) {
        e2e::FloodDatagram probe;
        while (!probe.request)
            probe = mix.next();
        e2e::Sender sender(port);
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            sender.send(probe.bytes);
            const auto waitUntil = std::chrono::steady_clock::now() + 500ms;
            while (std::chrono::steady_clock::now() < waitUntil) {
                for (const std::string& line : journal.newLines()) {
                    seen.push_back(line);
                    if (line == *probe.request)
                        return true;
                }
                std::this_thread::sleep_for(5ms);
            }
        }
        return false;
    }

    const int port = e2e::freeUdpPort();
    e2e::InstalledCopy copy;
    e2e::JournalFollower journal{copy.journal()};
    std::unique_ptr<e2e::Program> program;
    std::vector<std::string> seen;
};

TEST_F(Flood, AtFullSpeedTheProgramStaysUpAndEveryRequestItMakesIsOneSentInOrder) {
    e2e::FloodMix mix(7);
    std::map<std::string, std::size_t> sentAt; // request -> position in the flood
    {
        std::ofstream list(copy.dir() / "flood.txt", std::ios::binary);
        for (std::size_t i = 0; i < floodSize; ++i) {
            const e2e::FloodDatagram d = mix.next();
            if (d.request)
                sentAt.emplace(*d.request, i);
            list << d.bytes << '\n';
        }
    }
    const long before = e2e::residentKilobytes(program->pid());
    const std::string command = "'" + (copy.dir() / "zorva-send").string() + "' --quiet --lines '" +
                                (copy.dir() / "flood.txt").string() + "' --port " +
                                std::to_string(port);
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(answersProbe(mix)) << "the program no longer answers";
    ASSERT_TRUE(program->running());

    std::size_t requests = 0, last = 0;
    for (std::size_t i = 0; i + 1 < seen.size(); ++i) {
        if (!seen[i].starts_with("LV4_IssueGuestCard"))
            continue;
        const auto it = sentAt.find(seen[i]);
        if (it == sentAt.end())
            continue; // the probe
        EXPECT_TRUE(requests == 0 || it->second > last) << "out of order or twice: " << seen[i];
        EXPECT_EQ(seen[i + 1], "LV4_BeepOk");
        last = it->second;
        ++requests;
    }
    EXPECT_GT(requests, 0u);
    const long after = e2e::residentKilobytes(program->pid());
    expectBoundedGrowth(before, after);
    RecordProperty("requests", std::to_string(requests) + " of " + std::to_string(sentAt.size()));
    RecordProperty("residentKilobytes", std::to_string(before) + " -> " + std::to_string(after));
}

TEST_F(Flood, PacedToWhatTheSocketHoldsEveryValidCheckinBecomesExactlyOneRequestInOrder) {
    e2e::FloodMix mix(11);
    e2e::Sender sender(port);
    std::vector<std::string> expected, actual;
    const long before = e2e::residentKilobytes(program->pid());
    for (std::size_t batch = 0; batch < pacedSize / e2e::FloodMix::cycle; ++batch) {
        std::string last;
        for (std::size_t i = 0; i < e2e::FloodMix::cycle; ++i) {
            const e2e::FloodDatagram d = mix.next();
            ASSERT_TRUE(sender.send(d.bytes));
            for (std::string& line : journalFor(d))
                expected.push_back(std::move(line));
            if (d.request)
                last = *d.request;
        }
        // A batch is far smaller than the socket's buffer; the next one goes once the program
        // has handled this one.
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        bool done = false;
        while (!done && std::chrono::steady_clock::now() < deadline) {
            for (std::string& line : journal.newLines()) {
                done = done || line == last;
                actual.push_back(std::move(line));
            }
            if (!done)
                std::this_thread::sleep_for(200us);
        }
        ASSERT_TRUE(done) << "batch " << batch << " was not handled";
    }
    ASSERT_TRUE(e2e::waitForJournal(copy, expected.back(), 20s));
    for (std::string& line : journal.newLines())
        actual.push_back(std::move(line));
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        ASSERT_EQ(actual[i], expected[i]) << "journal line " << i;
    const long after = e2e::residentKilobytes(program->pid());
    expectBoundedGrowth(before, after);
    RecordProperty("residentKilobytes", std::to_string(before) + " -> " + std::to_string(after));
}

} // namespace
