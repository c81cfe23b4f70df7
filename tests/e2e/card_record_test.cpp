// The installed program's record of every card asked for: its lines for each outcome, a record
// file made read-only while cards go on, and a kill in the middle of a burst.

#include "program_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Room 101 is a door; the suite's lock numbers do not fit the request's bytes.
const std::string rooms = "[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=12\r\nODA_STR=101\r\n"
                          "[RecNo2]\r\nALAN=1\r\nBINA=1\r\nKAT=3\r\nODA=300\r\n"
                          "ODA_STR=\xC7"
                          "at\xFD, \"Kral\" Dairesi\r\n";
const std::string checkin = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=";
const std::string card = "LV4_IssueGuestCard 0101020c 0000000000000000 0000 000000 "
                         "323032353037323931343030 323032353037333131323030 "
                         "0100000000001000000000 00000000000000 0 -> ";
const std::string header = "\xEF\xBB\xBF"
                           "Zaman;Gönderen;Port;Oda Adı;Kilit Adresi;Giriş;Çıkış;Sonuç Kodu;Sonuç"
                           "\r\n";

std::string localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    ::localtime_r(&now, &fields);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields);
    return text;
}

class CardRecord : public ::testing::Test {
protected:
    void SetUp() override {
        copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
        copy.writeIni("Odalar.ini", rooms);
    }

    std::size_t inJournal(const std::string& line) const {
        const auto lines = copy.journalLines();
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
    }

    fs::path logDir() const { return copy.dir() / "Data" / "Log"; }

    // Every month's file, oldest first, so that a test running over midnight at a month's end
    // still sees all its lines.
    std::string recordBytes() const {
        std::vector<fs::path> files;
        if (fs::exists(logDir()))
            for (const auto& entry : fs::directory_iterator(logDir()))
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        std::string bytes;
        for (const auto& file : files) {
            EXPECT_THAT(file.filename().string(),
                        ::testing::MatchesRegex("Kartlar-[0-9]{4}-[0-9]{2}\\.csv"));
            const std::string contents = copy.readFile(file);
            EXPECT_TRUE(contents.starts_with(header)) << file;
            bytes += contents.substr(std::min(header.size(), contents.size()));
        }
        return bytes;
    }

    // The record's lines, each with its CR LF.
    std::vector<std::string> recordLines() const {
        std::vector<std::string> lines;
        const std::string bytes = recordBytes();
        for (std::size_t at = 0; at < bytes.size();) {
            const auto end = bytes.find("\r\n", at);
            lines.push_back(bytes.substr(at, end == std::string::npos ? end : end + 2 - at));
            at = end == std::string::npos ? bytes.size() : end + 2;
        }
        return lines;
    }

    bool waitForLines(std::size_t count, std::chrono::milliseconds limit = 20s) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (recordLines().size() < count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    // The lines with their time taken off, each time checked to fall between the two.
    std::vector<std::string> withoutTimes(const std::vector<std::string>& lines,
                                          const std::string& from, const std::string& to) const {
        std::vector<std::string> out;
        for (const std::string& line : lines) {
            EXPECT_TRUE(std::regex_search(
                line, std::regex("^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2};")))
                << line;
            const std::string time = line.substr(0, 19);
            EXPECT_LE(from, time);
            EXPECT_LE(time, to);
            out.push_back(line.substr(std::min<std::size_t>(20, line.size())));
        }
        return out;
    }

    const int port = e2e::freeUdpPort();
    e2e::InstalledCopy copy;
};

TEST_F(CardRecord, HoldsALineForEachOutcomeByteForByteAcrossARestart) {
    const fs::path trigger = copy.dir() / "fail-once";
    const std::string before = localNow();
    e2e::Sender sender(port, "127.0.0.5");
    const std::string from = "127.0.0.5;" + std::to_string(sender.localPort()) + ";";
    {
        e2e::Program program(copy, {{"LEVELLOCK_FAIL_LV4_IssueGuestCard", "crash"},
                                    {"LEVELLOCK_FAIL_WHEN", trigger.string()}});
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s)) << copy.readFile(copy.output());
        sender.send(checkin + "101");
        ASSERT_TRUE(waitForLines(1));
        sender.send(checkin + "999");
        sender.send(checkin + "\xC7"
                              "at\xFD, \"Kral\" Dairesi");
        ASSERT_TRUE(waitForLines(3));
        std::ofstream(trigger) << "once";
        sender.send(checkin + "101");
        ASSERT_TRUE(waitForLines(4)) << copy.readFile(copy.output());
        program.signal(SIGTERM);
        ASSERT_EQ(program.wait(10s), 0);
    }
    {
        const std::size_t started = inJournal("LV4_BeepOk");
        e2e::Program program(copy, {{"LEVELLOCK_RESULT_LV4_IssueGuestCard", "-3"}});
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s, started + 1));
        sender.send(checkin + "101");
        ASSERT_TRUE(e2e::waitForJournal(copy, card + "-3", 10s));
        ASSERT_TRUE(waitForLines(5));
        program.signal(SIGTERM);
        ASSERT_EQ(program.wait(10s), 0);
    }
    EXPECT_TRUE(e2e::waitForJournal(copy, card + "0", 0s));
    EXPECT_THAT(
        withoutTimes(recordLines(), before, localNow()),
        ::testing::ElementsAre(from + "101;1.1.2.12;202507291400;202507311200;0;kart\r\n",
                               from + "999;;;;;tanımsız oda\r\n",
                               from + "\"Çatı, \"\"Kral\"\" Dairesi\";;;;;hatalı oda tanımı\r\n",
                               from + "101;1.1.2.12;202507291400;202507311200;;kütüphane durdu\r\n",
                               from + "101;1.1.2.12;202507291400;202507311200;-3;reddedildi\r\n"));
}

// The operator opens the month's file, or someone makes it read-only: cards go on, the log says
// so once, and the lines come out in their order once the file can be written again.
TEST_F(CardRecord, AFileMadeReadOnlyWhileCardsGoOnGetsTheirLinesLater) {
    e2e::Program program(copy, {}, e2e::Launch{.honourPermissions = true});
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s)) << copy.readFile(copy.output());
    e2e::Sender sender(port, "127.0.0.1");
    sender.send(checkin + "101");
    ASSERT_TRUE(waitForLines(1));
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(logDir()))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(::chmod(files[0].c_str(), 0444), 0);

    for (int i = 0; i < 3; ++i)
        sender.send(checkin + "101");
    ASSERT_TRUE(e2e::waitForJournal(copy, card + "0", 10s, 4)) << "the cards go on";
    ASSERT_TRUE(e2e::waitForOutput(copy, "Kart Kaydı Yazılamadı - ", 10s));
    std::this_thread::sleep_for(200ms);
    const std::string output = copy.readFile(copy.output());
    EXPECT_THAT(output, ::testing::HasSubstr("Kart Kaydı Yazılamadı - " + files[0].string() +
                                             ": Permission denied\n"));
    EXPECT_EQ(output.find("Kart Kaydı Yazılamadı"), output.rfind("Kart Kaydı Yazılamadı"))
        << "once for the streak";
    EXPECT_EQ(recordLines().size(), 1u);

    ASSERT_EQ(::chmod(files[0].c_str(), 0644), 0);
    sender.send(checkin + "999");
    ASSERT_TRUE(waitForLines(5)) << copy.readFile(copy.output());
    const auto lines = recordLines();
    for (int i = 0; i < 4; ++i)
        EXPECT_THAT(lines[i], ::testing::EndsWith(";0;kart\r\n"));
    EXPECT_THAT(lines[4], ::testing::EndsWith(";999;;;;;tanımsız oda\r\n"));
    EXPECT_TRUE(e2e::waitForOutput(copy, "Kart Kaydı Yeniden Yazılıyor", 5s));
}

// Killed while a burst of check-ins is handled: the record holds whole lines only, one for each
// card but the one in hand at most, and the next run goes on after them.
TEST_F(CardRecord, AKillInTheMiddleOfABurstLeavesOnlyWholeLines) {
    constexpr int burst = 3000;
    {
        e2e::Program program(copy);
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s)) << copy.readFile(copy.output());
        e2e::Sender sender(port);
        for (int i = 0; i < burst; ++i)
            sender.send(checkin + (i % 5 == 4 ? "999" : "101"));
        ASSERT_TRUE(waitForLines(200, 30s));
        program.signal(SIGKILL);
        program.wait(10s);
    }
    const std::string bytes = recordBytes();
    ASSERT_TRUE(bytes.ends_with("\r\n")) << "no half line";
    const auto lines = recordLines();
    std::size_t cards = 0;
    for (const auto& line : copy.journalLines())
        cards += line.starts_with("LV4_IssueGuestCard");
    EXPECT_LT(lines.size(), static_cast<std::size_t>(burst)) << "the kill came mid-burst";
    const std::size_t recordedCards = static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& l) { return l.ends_with(";0;kart\r\n"); }));
    EXPECT_LE(recordedCards, cards);
    EXPECT_LE(cards, recordedCards + 1);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_THAT(lines[i],
                    ::testing::EndsWith(i % 5 == 4 ? ";999;;;;;tanımsız oda\r\n" : ";0;kart\r\n"))
            << "line " << i;

    const std::size_t started = inJournal("LV4_BeepOk");
    e2e::Program program(copy);
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s, started + 1));
    e2e::sendDatagram(port, checkin + "999");
    ASSERT_TRUE(waitForLines(lines.size() + 1));
    EXPECT_EQ(recordBytes().substr(0, bytes.size()), bytes) << "nothing before is touched";
    EXPECT_THAT(recordLines().back(), ::testing::EndsWith(";999;;;;;tanımsız oda\r\n"));
}

} // namespace
