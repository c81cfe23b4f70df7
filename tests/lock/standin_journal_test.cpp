#include "app/integration_core.h"
#include "lock/hosted_lock_library.h"
#include "platform/executable_path.h"
#include "rooms/room_table.h"
#include "tests/support/environment.h"
#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace zorva;
using ::testing::ElementsAre;
using zorva::testing::setEnvironment;
using zorva::testing::unsetEnvironment;

namespace {

// Runs the linked stand-in library with its journal in a file of this test's own.
class StandinJournal : public ::testing::Test {
protected:
    void SetUp() override {
        path = directory.file("levellock-journal.txt");
        setEnvironment("LEVELLOCK_JOURNAL", path);
        library.start();
    }
    void TearDown() override {
        unsetEnvironment("LEVELLOCK_JOURNAL");
        for (const char* f : {"LV4_InitializeSystem", "LV4_SetAuthCode", "LV4_IssueGuestCard"})
            unsetEnvironment(std::string("LEVELLOCK_RESULT_") + f);
    }

    std::vector<std::string> lines() const {
        std::ifstream in(path);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

    zorva::testing::TempDirectory directory;
    std::string path;
    // The host beside this program, which loads the stand-in library beside it.
    lock::HostedLockLibrary library{platform::executableDirectory() +
                                    platform::executableFileName("zorva-lock-host")};
};

} // namespace

TEST_F(StandinJournal, EveryCallIsOneLineWithExactBytes) {
    library.freeSystem();
    EXPECT_EQ(library.initializeSystem(5), 0);
    lock::AuthCode code;
    const std::string text = "ABCDEFGHIJKLMNOP";
    std::copy(text.begin(), text.end(), code.begin());
    EXPECT_EQ(library.setAuthCode(code, {1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 0, 0, 0, 0}), 0);
    library.beepOk();

    platform::DateTime in, out;
    platform::DateTime::tryFromFields({2025, 7, 29, 14, 0}, in);
    platform::DateTime::tryFromFields({2025, 7, 31, 12, 0}, out);
    auto request = app::makeGuestCardRequest({1, 1, 2, 12}, in, out);
    EXPECT_EQ(library.issueGuestCard(request), 0);
    library.beepFailure();

    EXPECT_THAT(
        lines(),
        ElementsAre("LV4_FreeSystem", "LV4_InitializeSystem 5 -> 0",
                    "LV4_SetAuthCode 4142434445464748494a4b4c4d4e4f50 1 2 3 4 5 6 7 0 0 0 0 0 0 0 "
                    "-> 0",
                    "LV4_BeepOk",
                    "LV4_IssueGuestCard 0101020c 0000000000000000 0000 000000 "
                    "323032353037323931343030 323032353037333131323030 0100000000001000000000 "
                    "00000000000000 0 -> 0",
                    "LV4_BeepFailure"));
}

TEST_F(StandinJournal, ResultsComeFromTheEnvironment) {
    struct Case {
        const char* value;
        std::int16_t result;
    } cases[] = {{"-1", -1}, {"42", 42}, {"+3", 3}, {"x", 0}, {"4x", 0}, {" 5", 0}, {"", 0}};
    // The host reads its environment when it starts.
    for (const auto& c : cases) {
        setEnvironment("LEVELLOCK_RESULT_LV4_InitializeSystem", c.value);
        library.start();
        EXPECT_EQ(library.initializeSystem(4), c.result) << c.value;
    }
    setEnvironment("LEVELLOCK_RESULT_LV4_IssueGuestCard", "-7");
    library.start();
    lock::GuestCardRequest request;
    EXPECT_EQ(library.issueGuestCard(request), -7);
    EXPECT_EQ(lines().back(), "LV4_IssueGuestCard 00000000 0000000000000000 0000 000000 "
                              "000000000000000000000000 000000000000000000000000 "
                              "0000000000000000000000 00000000000000 0 -> -7");
}

TEST_F(StandinJournal, CheckinThroughTheCoreReachesTheLibrary) {
    auto rooms = rooms::makeRoomTable();
    rooms->open();
    rooms->append();
    rooms->field("ALAN").setAsInteger(1);
    rooms->field("BINA").setAsInteger(1);
    rooms->field("KAT").setAsInteger(2);
    rooms->field("ODA").setAsInteger(12);
    rooms->field("ODA_STR").setAsString("101");
    rooms->post();
    app::Log log;
    app::IntegrationCore core(library, *rooms, log, platform::FormatSettings::turkish());
    core.FSystemStarted = true;
    core.IdUDPServer1UDPRead("CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101");
    EXPECT_THAT(lines(), ElementsAre("LV4_IssueGuestCard 0101020c 0000000000000000 0000 000000 "
                                     "323032353037323931343030 323032353037333131323030 "
                                     "0100000000001000000000 00000000000000 0 -> 0",
                                     "LV4_BeepOk"));
}
