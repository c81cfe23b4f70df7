#include "program_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

const char* const settings = "[TAnaF]\r\n"
                             "ComboBoxEMD_KartTipi_ItemIndex=1\r\n"
                             "EditZorvakilt_EMD_R1_Text=ABCDEFGH\r\n"
                             "EditZorvakilt_EMD_R3_Text=IJKLMNOP\r\n"
                             "SpinEdit_EMD_CalismaSektoru_Value=1\r\n"
                             "SpinEdit_EMD_KNKSektor1_Value=2\r\n"
                             "SpinEdit_EMD_KNKSektor2_Value=3\r\n"
                             "SpinEdit_EMD_GenelSektor1_Value=4\r\n"
                             "SpinEdit_EMD_GKKSektor_Value=5\r\n"
                             "SpinEdit_EMD_KulSektor1_Value=6\r\n"
                             "SpinEdit_EMD_GenelSektor2_Value=7\r\n";

const char* const rooms = "[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=12\r\nODA_STR=101\r\n"
                          "[RecNo2]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=13\r\nODA_STR=102\r\n";

} // namespace

TEST(InstalledProgram, StartsByItselfTurnsCheckinsIntoCardsAndEndsOnSigterm) {
    e2e::InstalledCopy copy;
    copy.writeIni("AnaF_JvFormStorage1.ini", settings);
    copy.writeIni("Odalar.ini", rooms);
    e2e::Program program(copy);
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s)) << "the automatic start";
    EXPECT_THAT(copy.journalLines(),
                ElementsAre("LV4_FreeSystem", "LV4_InitializeSystem 5 -> 0",
                            "LV4_SetAuthCode 4142434445464748494a4b4c4d4e4f50 1 2 3 4 5 6 7 0 0 "
                            "0 0 0 0 0 -> 0",
                            "LV4_BeepOk"));

    // The listener is bound before the lock steps, so the port is open by now.
    e2e::sendDatagram(4040, "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=102");
    e2e::sendDatagram(4040, "CIN=29.07.2025^COUT=30.07.2025^ODA=nowhere");
    e2e::sendDatagram(4040, "CIN=30.07.2025 09:30^COUT=01.08.2025 11:00^ODA=101");
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 10s, 3));
    const auto lines = copy.journalLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[4], "LV4_IssueGuestCard 0101020d 0000000000000000 0000 000000 "
                        "323032353037323931343030 323032353037333131323030 "
                        "0100000000001000000000 00000000000000 0 -> 0");
    EXPECT_EQ(lines[6], "LV4_BeepFailure") << "the undefined room gets no card";
    EXPECT_EQ(lines[7].substr(0, 28), "LV4_IssueGuestCard 0101020c ");

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 0);
    const std::string saved = copy.readFile(copy.iniDir() / "AnaF_JvFormStorage1.ini");
    EXPECT_EQ(saved.find("[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=1\r\n"), 0u);
    EXPECT_NE(saved.find("EditZorvakilt_EMD_R2_Text=\r\n"), std::string::npos)
        << "the close saved every stored value";
    EXPECT_NE(saved.find("FormVersion=0\r\n"), std::string::npos);
    EXPECT_EQ(copy.readFile(copy.iniDir() / "Odalar.ini"), rooms) << "rooms were not rewritten";
    EXPECT_EQ(copy.journalLines().size(), 9u) << "closing makes no library call";
}

TEST(InstalledProgram, WithoutAnyRegionalSettingsReadsTurkishDates) {
    e2e::InstalledCopy copy;
    const int port = e2e::freeUdpPort();
    copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
    copy.writeIni("Odalar.ini", rooms);
    // What an autostart entry or a service manager gives: no locale at all.
    e2e::Program program(copy, {{"LANG", ""}, {"LC_ALL", ""}, {"LC_TIME", ""}});
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s));
    e2e::sendDatagram(port, "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=102");
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 10s, 2)) << copy.readFile(copy.output());
    const auto lines = copy.journalLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4].substr(0, 28), "LV4_IssueGuestCard 0101020d ");
    EXPECT_NE(lines[4].find(" 323032353037323931343030 323032353037333131323030 "),
              std::string::npos)
        << "29.07.2025 14:00 to 31.07.2025 12:00: " << lines[4];
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 0);
}

TEST(InstalledProgram, EndsOnSigintAndSighupAsOnClose) {
    for (int sig : {SIGINT, SIGHUP}) {
        e2e::InstalledCopy copy;
        e2e::Program program(copy);
        // Nothing starts without a code; the window is up once the settings file can be
        // written at the close.
        std::this_thread::sleep_for(500ms);
        ASSERT_TRUE(program.running());
        program.signal(sig);
        EXPECT_EQ(program.wait(10s), 0) << sig;
        EXPECT_NE(copy.readFile(copy.iniDir() / "AnaF_JvFormStorage1.ini").find("[TAnaF]\r\n"),
                  std::string::npos)
            << sig;
        EXPECT_TRUE(copy.journalLines().empty());
    }
}
