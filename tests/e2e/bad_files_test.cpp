// The program meets files and folders that are not what they should be.

#include "program_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

const std::string checkin = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=";
const std::string requestTail = " 0000000000000000 0000 000000 323032353037323931343030 "
                                "323032353037333131323030 0100000000001000000000 00000000000000 "
                                "0 -> 0";
const std::vector<std::string> startLines{
    "LV4_FreeSystem", "LV4_InitializeSystem 5 -> 0",
    "LV4_SetAuthCode 4142434445464748494a4b4c4d4e4f50 1 0 0 0 0 0 0 0 0 0 0 0 0 0 -> 0",
    "LV4_BeepOk"};

std::string garbage(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(random));
    return bytes;
}

// Every path under Data with the bytes of each file, to see that nothing changed at all; but the
// card record, which every card asked for adds to.
std::map<std::string, std::string> snapshotOfData(const e2e::InstalledCopy& copy) {
    std::map<std::string, std::string> found;
    const fs::path data = copy.dir() / "Data";
    if (fs::is_regular_file(data))
        found["Data"] = copy.readFile(data);
    if (fs::is_directory(data))
        for (auto entry = fs::recursive_directory_iterator(data);
             entry != fs::recursive_directory_iterator(); ++entry) {
            if (entry->path() == data / "Log") {
                entry.disable_recursion_pending();
                continue;
            }
            found[fs::relative(entry->path(), copy.dir()).string()] =
                entry->is_regular_file() ? copy.readFile(entry->path()) : "(folder)";
        }
    return found;
}

std::vector<std::string> entriesOf(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BadFiles, SettingsFullOfGarbageRestoreNothingAndAreWrittenAnewAtTheClose) {
    e2e::InstalledCopy copy;
    const std::string bytes = garbage(20'000, 1) +
                              "\r\n[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=99\r\n"
                              "CurrencyEditUDP_Value=not a port\r\n" +
                              garbage(3'000, 2);
    copy.writeIni("AnaF_JvFormStorage1.ini", bytes);
    e2e::Program program(copy);
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(program.running());
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 0);
    const std::string saved = copy.readFile(copy.iniDir() / "AnaF_JvFormStorage1.ini");
    // The port that is no number left the edit at its default.
    for (const char* line : {"\r\n[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=-1\r\n",
                             "\r\nCurrencyEditUDP_Value=4040\r\n", "\r\nFormVersion=0\r\n",
                             "\r\nEditZorvakilt_EMD_R1_Text=\r\n"})
        EXPECT_THAT(saved, HasSubstr(line));
    EXPECT_TRUE(copy.journalLines().empty()) << "no code: nothing starts";
    EXPECT_EQ(copy.readFile(copy.output()).find("zorva-kilit:"), std::string::npos);
}

TEST(BadFiles, ARoomFileFullOfGarbageLoadsWhatItCanAndIsLeftAsItWas) {
    e2e::InstalledCopy copy;
    const int port = e2e::freeUdpPort();
    copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
    const std::string rooms =
        garbage(30'000, 3) +
        "\r\n[RecNo1]\r\nALAN=1\r\nBINA=2\r\nKAT=3\r\nODA=4\r\nODA_STR=101\r\n"
        "[\x01\xff]\r\nODA=abc\r\nODA_STR=102\r\nALAN=99999999999\r\n"
        "KAT=$1F\r\n[RecNo1]\r\nODA_STR=" +
        std::string(5'000, 'u') + "\r\n" + garbage(10'000, 4);
    copy.writeIni("Odalar.ini", rooms);
    e2e::Program program(copy);
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s));

    e2e::sendDatagram(port, checkin + "101");
    e2e::sendDatagram(port, checkin + "102");
    e2e::sendDatagram(port, checkin + "nowhere");
    e2e::sendDatagram(port, checkin + "101");
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 10s, 4));
    const auto lines = copy.journalLines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(std::vector(lines.begin(), lines.begin() + 4), startLines);
    EXPECT_EQ(lines[4], "LV4_IssueGuestCard 01020304" + requestTail);
    EXPECT_EQ(lines[6], "LV4_IssueGuestCard 00001f00" + requestTail)
        << "what does not convert stays empty and counts as 0";
    EXPECT_EQ(lines[8], "LV4_BeepFailure");
    EXPECT_EQ(lines[9], lines[4]);

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 0);
    EXPECT_EQ(copy.readFile(copy.iniDir() / "Odalar.ini"), rooms)
        << "nothing changed, nothing saved";
}

TEST(BadFiles, WithoutADataFolderTheProgramMakesItAndSavesItsSettingsThere) {
    e2e::InstalledCopy copy;
    ASSERT_FALSE(fs::exists(copy.dir() / "Data"));
    e2e::Program program(copy);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!fs::is_directory(copy.iniDir()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(fs::is_directory(copy.iniDir()));
    std::this_thread::sleep_for(500ms);
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 0);
    EXPECT_THAT(entriesOf(copy.iniDir()), ElementsAre("AnaF_JvFormStorage1.ini"));
    EXPECT_EQ(copy.readFile(copy.iniDir() / "AnaF_JvFormStorage1.ini").substr(0, 9), "[TAnaF]\r\n");
}

// Settings that cannot be written at the close: the operator is told in the error box, which
// waits for an answer; a second termination request ends the program without one.
struct UnwritableCase {
    const char* name;
    std::function<void(const e2e::InstalledCopy&)> prepare;
    bool starts; // whether the stored settings could be read and the lock system started
};

void PrintTo(const UnwritableCase& c, std::ostream* os) {
    *os << c.name;
}

class UnwritableSettings : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(UnwritableSettings, AreReportedAndNothingIsLeftHalfDone) {
    e2e::InstalledCopy copy;
    const int port = e2e::freeUdpPort();
    copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
    copy.writeIni("Odalar.ini",
                  "[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=12\r\nODA_STR=101\r\n");
    GetParam().prepare(copy);
    const auto before = snapshotOfData(copy);

    e2e::Program program(copy, {}, e2e::Launch{.honourPermissions = true});
    if (GetParam().starts) {
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s));
        e2e::sendDatagram(port, checkin + "101");
        ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 10s, 2)) << "check-ins still work";
    } else {
        std::this_thread::sleep_for(1s);
    }
    program.signal(SIGTERM);
    const std::string message = "zorva-kilit: Unable to write to " +
                                (copy.iniDir() / "AnaF_JvFormStorage1.ini").string() + ".\n";
    ASSERT_TRUE(e2e::waitForOutput(copy, message, 10s)) << copy.readFile(copy.output());
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(program.running()) << "the box waits for the operator";
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 128 + SIGTERM);

    EXPECT_EQ(snapshotOfData(copy), before) << "no file changed, none was left behind";
    EXPECT_EQ(copy.journalLines().size(), GetParam().starts ? 6u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnwritableSettings,
    ::testing::Values(UnwritableCase{"ReadOnlyIniFolder",
                                     [](const e2e::InstalledCopy& copy) {
                                         fs::permissions(copy.iniDir(), fs::perms::owner_read |
                                                                            fs::perms::owner_exec |
                                                                            fs::perms::group_read |
                                                                            fs::perms::group_exec);
                                     },
                                     true},
                      UnwritableCase{"DataIsAFile",
                                     [](const e2e::InstalledCopy& copy) {
                                         fs::remove_all(copy.dir() / "Data");
                                         std::ofstream(copy.dir() / "Data") << "not a folder";
                                     },
                                     false},
                      UnwritableCase{"SettingsFileIsAFolder",
                                     [](const e2e::InstalledCopy& copy) {
                                         fs::remove(copy.iniDir() / "AnaF_JvFormStorage1.ini");
                                         fs::create_directory(copy.iniDir() /
                                                              "AnaF_JvFormStorage1.ini");
                                     },
                                     false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BadFiles, ARoomFileThatCannotBeReadIsToldAndHoldsUpNoCard) {
    e2e::InstalledCopy copy;
    const int port = e2e::freeUdpPort();
    copy.writeIni("AnaF_JvFormStorage1.ini", e2e::autoStartSettings(port));
    fs::create_directories(copy.iniDir() / "Odalar.ini");
    e2e::Program program(copy);
    // The lock system starts by itself while the box waits for someone to answer it.
    ASSERT_TRUE(e2e::waitForJournal(copy, "LV4_BeepOk", 20s)) << copy.readFile(copy.output());
    EXPECT_EQ(copy.journalLines(), startLines);
    const std::string reason =
        "Cannot open file \"" + (copy.iniDir() / "Odalar.ini").string() + "\". Is a directory";
    EXPECT_TRUE(e2e::waitForOutput(copy, "Oda Dosyası Okunamadı - " + reason + "\n", 10s));
    EXPECT_TRUE(e2e::waitForOutput(copy, "zorva-kilit: " + reason + ".\n", 10s)) << "the box";
    // No room is known, so a check-in is an undefined room, not a card for some other door.
    e2e::sendDatagram(port, checkin + "101");
    EXPECT_TRUE(e2e::waitForJournal(copy, "LV4_BeepFailure", 10s));
    EXPECT_TRUE(program.running()) << "the box waits for the operator";
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(10s), 0) << "closed as the close box does, the box open or not";
    EXPECT_TRUE(fs::is_directory(copy.iniDir() / "Odalar.ini"));
}

} // namespace
