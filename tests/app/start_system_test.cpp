#include "app/integration_core.h"
#include "fake_operator.h"
#include "platform/error.h"
#include "recording_lock_library.h"
#include "rooms/room_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace zorva;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Shares the lock's call list, so that the order of listener and lock steps shows.
struct FakeListener : app::Listener {
    explicit FakeListener(std::vector<std::string>& calls) : calls(calls) {}
    void setDefaultPort(std::int32_t port) override {
        calls.push_back("DefaultPort " + std::to_string(port));
        defaultPort = port;
    }
    void setActive(bool value) override {
        if (value && !failure.empty())
            throw platform::Error(failure);
        if (value != active)
            calls.push_back(value ? "Activate" : "Deactivate");
        active = value;
    }
    std::vector<std::string>& calls;
    std::int32_t defaultPort = 0;
    bool active = false;
    std::string failure;
};

class StartSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        rooms->open();
        core.attach(settings, listener);
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& line : log.lines())
            out.insert(out.begin(), line.substr(line.find(": ") + 2));
        return out; // oldest first, as they happened
    }

    RecordingLockLibrary lock;
    FakeOperator settings;
    FakeListener listener{lock.calls};
    std::unique_ptr<rooms::MemoryDataSet> rooms = rooms::makeRoomTable();
    app::Log log;
    app::IntegrationCore core{lock, *rooms, log, platform::FormatSettings::turkish()};
};

const char* const authCall = "SetAuthCode ABCDEFGHIJKLMNOP 1 2 3 4 5 6 7 0 0 0 0 0 0 0";

} // namespace

TEST_F(StartSystemTest, SuccessfulStartInOrder) {
    core.StartSystem();
    EXPECT_THAT(lock.calls, ElementsAre("DefaultPort 4040", "Activate", "FreeSystem",
                                        "InitializeSystem 5", authCall, "BeepOk"));
    EXPECT_TRUE(core.FSystemStarted);
    EXPECT_THAT(messages(), ElementsAre("Sistem Başlatıldı."));
}

TEST_F(StartSystemTest, CardTypeCodeIsIndexPlusFour) {
    for (int index = -1; index <= 5; ++index) {
        lock.calls.clear();
        listener.active = false;
        settings.cardType = index;
        core.StartSystem();
        EXPECT_EQ(lock.calls[3], "InitializeSystem " + std::to_string(index < 0 ? 3 : index + 4));
    }
}

TEST_F(StartSystemTest, AuthCodeMustBeSixteenCharactersInAll) {
    struct Case {
        std::array<std::string, 4> parts;
        bool ok;
    } cases[] = {
        {{"ABCDEFGH", "", "IJKLMNOP", ""}, true}, {{"                ", "", "", ""}, true},
        {{"ABCD", "EFGH", "IJKL", "MNO"}, false}, {{"ABCD", "EFGH", "IJKL", "MNOPQ"}, false},
        {{" ABC", "EFGH", "IJKL", "MNOP"}, true}, {{"", "", "", ""}, false},
    };
    for (const auto& c : cases) {
        lock.calls.clear();
        listener.active = false;
        log.clear();
        settings.code = c.parts;
        core.StartSystem();
        EXPECT_EQ(core.FSystemStarted, c.ok);
        if (c.ok) {
            EXPECT_EQ(lock.calls.back(), "BeepOk");
        } else {
            EXPECT_THAT(messages(), ElementsAre("Hatalı Kayıt Kodu"));
            EXPECT_THAT(lock.calls, ElementsAre("DefaultPort 4040", "Activate", "FreeSystem",
                                                "InitializeSystem 5", "BeepFailure"));
        }
    }
}

TEST_F(StartSystemTest, LibraryRefusals) {
    lock.initializeResult = -2;
    core.StartSystem();
    EXPECT_THAT(messages(), ElementsAre("Zorvat Kilit Sistemi Aktif Edilemedi - Hata Kodu: -2"));
    EXPECT_EQ(lock.calls.back(), "BeepFailure");
    EXPECT_FALSE(core.FSystemStarted);

    lock.initializeResult = 0;
    lock.authCodeResult = 9;
    log.clear();
    lock.calls.clear();
    core.StartSystem();
    EXPECT_THAT(messages(), ElementsAre("Zorvat Kilit Sistemi Aktif Edilemedi - Hata Kodu: 9"));
    EXPECT_THAT(lock.calls, ElementsAre("Deactivate", "DefaultPort 4040", "Activate", "FreeSystem",
                                        "InitializeSystem 5", authCall, "BeepFailure"));
    EXPECT_FALSE(core.FSystemStarted);
    EXPECT_TRUE(listener.active) << "the port stays open when the lock steps fail";
}

TEST_F(StartSystemTest, PortFailureIsLoggedAndTheLockStepsGoOn) {
    listener.failure = "Could not bind socket. Address and port are already in use.";
    core.StartSystem();
    EXPECT_THAT(messages(), ElementsAre("Haberleşme Portu Açılırken Bir Hata Meydana Geldi - "
                                        "Could not bind socket. Address and port are already in "
                                        "use.",
                                        "Sistem Başlatıldı."));
    EXPECT_TRUE(core.FSystemStarted);
    EXPECT_FALSE(listener.active);
}

TEST_F(StartSystemTest, PortValueIsRoundedAndHeldInRange) {
    const std::pair<double, std::int32_t> cases[] = {
        {4040.4, 4040}, {4040.5, 4040},     {4041.5, 4042},           {0, 0},    {-3, -3},
        {70000, 70000}, {1e12, 2147483647}, {-1e12, -2147483647 - 1}, {NAN, -1},
    };
    for (const auto& [value, port] : cases)
        EXPECT_EQ(app::portFromValue(value), port) << value;
    settings.portValue = 0;
    core.StartSystem();
    EXPECT_EQ(listener.defaultPort, 0) << "Apply with port 0 lets the system choose";
}

TEST_F(StartSystemTest, ApplyTwiceFreesBeforeEachInitialize) {
    core.StartSystem();
    lock.calls.clear();
    settings.portValue = 5050;
    core.MvBitBtn1Click();
    EXPECT_THAT(lock.calls, ElementsAre("Deactivate", "DefaultPort 5050", "Activate", "FreeSystem",
                                        "InitializeSystem 5", authCall, "BeepOk"));
}

TEST_F(StartSystemTest, DatagramDuringThePumpIsRefusedAndAFailedRestartStaysStopped) {
    core.StartSystem();
    settings.code[3] = "MNO";
    core.pump = [&] { core.IdUDPServer1UDPRead("CIN=29.07.2025^COUT=30.07.2025^ODA=101"); };
    log.clear();
    core.StartSystem();
    EXPECT_THAT(messages(), ElementsAre("Sistem Başlatılmamış.", "Hatalı Kayıt Kodu"));
    EXPECT_FALSE(core.FSystemStarted);
}

TEST_F(StartSystemTest, NestedApplyRunsToItsEndBeforeTheOuterGoesOn) {
    int depth = 0;
    core.pump = [&] {
        if (depth++ == 0)
            core.MvBitBtn1Click();
    };
    core.StartSystem();
    EXPECT_THAT(lock.calls,
                ElementsAre("DefaultPort 4040", "Activate", "FreeSystem", "InitializeSystem 5",
                            "Deactivate", "DefaultPort 4040", "Activate", "FreeSystem",
                            "InitializeSystem 5", authCall, "BeepOk", authCall, "BeepOk"));
    EXPECT_THAT(messages(), ElementsAre("Sistem Başlatıldı.", "Sistem Başlatıldı."));
}

TEST_F(StartSystemTest, DeferredStartNeedsACodeAndAPositivePort) {
    struct Case {
        std::array<std::string, 4> code;
        double port;
        bool starts;
    } cases[] = {
        {{"ABCD", "EFGH", "IJKL", "MNOP"}, 4040, true},
        {{"", "", "", ""}, 4040, false},
        {{"  ", "\t", "\x01", " "}, 4040, false},
        {{"", " X", "", ""}, 4040, true},
        {{"ABCD", "EFGH", "IJKL", "MNOP"}, 0, false},
        {{"ABCD", "EFGH", "IJKL", "MNOP"}, -1, false},
        {{"ABCD", "EFGH", "IJKL", "MNOP"}, 0.4, true},
    };
    for (const auto& c : cases) {
        lock.calls.clear();
        settings.code = c.code;
        settings.portValue = c.port;
        int pumped = 0;
        core.pump = [&] { ++pumped; };
        core.WMDeferredStart();
        EXPECT_EQ(!lock.calls.empty(), c.starts) << c.port;
        EXPECT_GE(pumped, 1);
    }
}

TEST_F(StartSystemTest, DeferredStartHidesTheWindowWhenAsked) {
    std::vector<std::string> order;
    core.pump = [&] { order.push_back("pump"); };
    core.hideWindow = [&] { order.push_back("hide"); };
    settings.code = {"", "", "", ""};
    core.WMDeferredStart();
    settings.hide = true;
    core.WMDeferredStart();
    EXPECT_THAT(order, ElementsAre("pump", "pump", "hide"));
}

TEST_F(StartSystemTest, CloseOnlyDeactivatesTheListener) {
    core.StartSystem();
    lock.calls.clear();
    core.FormClose();
    EXPECT_THAT(lock.calls, ElementsAre("Deactivate"));
}

TEST_F(StartSystemTest, RoomFileIsSavedOnlyOnceLoaded) {
    int saves = 0;
    core.saveRooms = [&] { ++saves; };
    core.OdaTanim_RxAfterPost();
    core.OdaTanim_RxAfterDelete();
    EXPECT_EQ(saves, 0);
    core.FRoomsLoaded = true;
    core.OdaTanim_RxAfterPost();
    core.OdaTanim_RxAfterDelete();
    EXPECT_EQ(saves, 2);
}
