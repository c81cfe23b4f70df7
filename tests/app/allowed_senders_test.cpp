// Whom the bridge takes check-ins from.

#include "app/integration_core.h"
#include "fake_operator.h"
#include "recording_lock_library.h"
#include "rooms/room_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace zorva;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char* const checkin = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101";

class AllowedSendersTest : public ::testing::Test {
protected:
    void SetUp() override {
        rooms->open();
        rooms->append();
        rooms->field("ODA").setAsInteger(12);
        rooms->field("ODA_STR").setAsString("101");
        rooms->post();
        core.attach(settings, listener);
        core.steadyNow = [this] { return now; };
    }

    void start(const std::string& allowed) {
        settings.allowed = allowed;
        core.StartSystem();
        lock.calls.clear();
        log.clear();
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& line : log.lines())
            out.insert(out.begin(), line.substr(line.find(": ") + 2));
        return out;
    }

    app::RestartSchedule::Clock::time_point now{1h};
    RecordingLockLibrary lock;
    FakeOperator settings;
    NullListener listener;
    std::unique_ptr<rooms::MemoryDataSet> rooms = rooms::makeRoomTable();
    app::Log log;
    app::IntegrationCore core{lock, *rooms, log, platform::FormatSettings::turkish()};
};

} // namespace

TEST_F(AllowedSendersTest, OnlyAllowedSendersGetCardsAndOthersAreToldOnceAMinute) {
    start("192.168.1.20, 10.1.0.0/16");
    core.IdUDPServer1UDPRead(checkin, "192.168.1.20", 5000);
    core.IdUDPServer1UDPRead(checkin, "10.1.200.3", 5001);
    EXPECT_THAT(lock.calls, ElementsAre("IssueGuestCard", "BeepOk", "IssueGuestCard", "BeepOk"));
    lock.calls.clear();

    for (int i = 0; i < 3; ++i) {
        core.IdUDPServer1UDPRead(checkin, "192.168.1.21", 5000);
        core.IdUDPServer1UDPRead("garbage", "10.2.0.1", 5000);
        now += 10s;
    }
    EXPECT_THAT(lock.calls, IsEmpty()) << "no card and no beep";
    EXPECT_THAT(messages(),
                ElementsAre("İzinsiz Gönderen - 192.168.1.21", "İzinsiz Gönderen - 10.2.0.1"));
    now += 31s;
    core.IdUDPServer1UDPRead(checkin, "192.168.1.21", 5000);
    EXPECT_EQ(messages().size(), 3u) << "a minute on, told again";

    // Not decoded at all: not even the lock system's state is told.
    core.FSystemStarted = false;
    log.clear();
    core.IdUDPServer1UDPRead(checkin, "10.9.9.9", 5000);
    EXPECT_THAT(messages(), ElementsAre("İzinsiz Gönderen - 10.9.9.9"));
}

TEST_F(AllowedSendersTest, EmptyTakesEverySenderAndTheListTakesEffectOnApply) {
    start("");
    core.IdUDPServer1UDPRead(checkin, "203.0.113.9", 5000);
    EXPECT_THAT(lock.calls, ElementsAre("IssueGuestCard", "BeepOk"));

    settings.allowed = "127.0.0.2";
    core.IdUDPServer1UDPRead(checkin, "203.0.113.9", 5000);
    EXPECT_EQ(lock.calls.size(), 4u) << "a changed edit counts only from the next start";
    core.MvBitBtn1Click();
    lock.calls.clear();
    core.IdUDPServer1UDPRead(checkin, "203.0.113.9", 5000);
    core.IdUDPServer1UDPRead(checkin, "127.0.0.2", 5000);
    EXPECT_THAT(lock.calls, ElementsAre("IssueGuestCard", "BeepOk"));
}

TEST_F(AllowedSendersTest, AListThatDoesNotReadLetsNobodyInAndSaysWhy) {
    settings.allowed = "192.168.1.0/24, 192.168.1.300";
    core.StartSystem();
    EXPECT_EQ(messages().front(), "İzinli Gönderenler Okunamadı, Hiçbir Gönderen Alınmıyor - "
                                  "'192.168.1.300' is not an IPv4 address or range");
    lock.calls.clear();
    core.IdUDPServer1UDPRead(checkin, "192.168.1.5", 5000);
    EXPECT_THAT(lock.calls, IsEmpty());
}

TEST_F(AllowedSendersTest, AFloodFromManyAddressesKeepsItsMemoryBounded) {
    start("10.0.0.1");
    for (int i = 0; i < 5000; ++i)
        core.IdUDPServer1UDPRead(
            "x", "172.16." + std::to_string(i / 256) + "." + std::to_string(i % 256), 1);
    EXPECT_EQ(log.lines().size(), 5000u) << "each new address is told once";
    log.clear();
    // The most recent addresses are still known, whatever was let go to keep the bound.
    core.IdUDPServer1UDPRead("x", "172.16.19.135", 1);
    EXPECT_THAT(log.lines(), IsEmpty());
}
