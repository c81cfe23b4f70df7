// The listener, the hand-off and the core together, over real sockets on loopback.

#include "app/integration_core.h"
#include "app/udp_listener.h"
#include "fake_operator.h"
#include "recording_lock_library.h"
#include "rooms/room_table.h"
#include "tests/support/test_socket.h"
#include "transport/main_thread_queue.h"
#include "transport/udp_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace zorva;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using zorva::testing::sendDatagram;

namespace {

class CheckinOverUdp : public ::testing::Test {
protected:
    void SetUp() override {
        rooms->open();
        for (int i = 1; i <= 3; ++i) {
            rooms->append();
            rooms->field("ALAN").setAsInteger(1);
            rooms->field("BINA").setAsInteger(2);
            rooms->field("KAT").setAsInteger(3);
            rooms->field("ODA").setAsInteger(i);
            rooms->field("ODA_STR").setAsString(std::to_string(100 + i));
            rooms->post();
        }
        // Port 0: the system picks a free one, so that runs side by side do not collide.
        settings.portValue = 0;
        core.attach(settings, adapter);
        core.pump = [this] { queue.drain(); };
        server.OnUDPRead = [this](transport::UdpServer&, const std::string& data,
                                  const transport::SocketBinding&) {
            core.IdUDPServer1UDPRead(data);
        };
    }
    void TearDown() override { server.setActive(false); }

    int boundPort() const { return server.Bindings().at(0).Port(); }

    // Runs queued handlers until the lock has seen `count` calls, or a generous time is up.
    bool waitForCalls(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (lock.calls.size() < count && std::chrono::steady_clock::now() < deadline)
            queue.waitAndDrain(50ms);
        return lock.calls.size() >= count;
    }

    bool waitForLogLines(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (log.lines().size() < count && std::chrono::steady_clock::now() < deadline)
            queue.waitAndDrain(50ms);
        return log.lines().size() >= count;
    }

    std::string message(std::size_t newestFirst) const {
        const auto& line = log.lines().at(newestFirst);
        return line.substr(line.find(": ") + 2);
    }

    transport::MainThreadQueue queue;
    transport::UdpServer server{queue};
    app::UdpListener adapter{server};
    RecordingLockLibrary lock;
    FakeOperator settings;
    std::unique_ptr<rooms::MemoryDataSet> rooms = rooms::makeRoomTable();
    app::Log log;
    app::IntegrationCore core{lock, *rooms, log, platform::FormatSettings::turkish()};
};

} // namespace

TEST_F(CheckinOverUdp, RefusedBeforeTheLockStarts) {
    lock.authCodeResult = 3; // the port opens, the lock does not start
    core.StartSystem();
    ASSERT_TRUE(server.Active());
    lock.calls.clear();
    log.clear();
    sendDatagram(boundPort(), "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101");
    ASSERT_TRUE(waitForLogLines(1));
    EXPECT_EQ(message(0), "Sistem Başlatılmamış.");
    EXPECT_TRUE(lock.calls.empty());
}

TEST_F(CheckinOverUdp, DatagramsBecomeRequestsInOrderAndBadOnesAreDroppedOrTold) {
    core.StartSystem();
    ASSERT_TRUE(core.FSystemStarted);
    lock.calls.clear();
    const int port = boundPort();
    sendDatagram(port, "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101");
    sendDatagram(port, "CIN=31.02.2025^COUT=31.07.2025^ODA=102");
    sendDatagram(port, std::string(8193, 'x'));
    sendDatagram(port, "");
    sendDatagram(port, "CIN=30.07.2025 09:15^COUT=01.08.2025 11:00^ODA=103");
    sendDatagram(port, "CIN=30.07.2025^COUT=01.08.2025^ODA=102");
    ASSERT_TRUE(waitForCalls(6));
    EXPECT_THAT(lock.calls, ElementsAre("IssueGuestCard", "BeepOk", "IssueGuestCard", "BeepOk",
                                        "IssueGuestCard", "BeepOk"));
    ASSERT_EQ(lock.requests.size(), 3u);
    EXPECT_EQ(lock.requests[0].lockAddress, (std::array<std::uint8_t, 4>{1, 2, 3, 1}));
    EXPECT_EQ(std::string(lock.requests[1].checkIn.begin(), lock.requests[1].checkIn.end()),
              "202507300915");
    EXPECT_EQ(lock.requests[2].lockAddress, (std::array<std::uint8_t, 4>{1, 2, 3, 2}));
    ASSERT_EQ(log.lines().size(), 2u) << "the start line and the bad date";
    EXPECT_EQ(message(0), "Hatalı Tarih - '31.02.2025' is not a valid date and time");
}

TEST_F(CheckinOverUdp, ABusyPortIsLoggedAndApplyMovesToANewPort) {
    transport::MainThreadQueue otherQueue;
    transport::UdpServer holder(otherQueue);
    holder.setDefaultPort(0);
    holder.setActive(true);
    settings.portValue = holder.Bindings().at(0).Port();
    core.StartSystem();
    EXPECT_EQ(message(1), "Haberleşme Portu Açılırken Bir Hata Meydana Geldi - Could not bind "
                          "socket. Address and port are already in use.");
    EXPECT_EQ(message(0), "Sistem Başlatıldı.");
    EXPECT_FALSE(server.Active());
    holder.setActive(false);

    settings.portValue = 0;
    core.MvBitBtn1Click();
    ASSERT_TRUE(server.Active());
    lock.calls.clear();
    sendDatagram(boundPort(), "CIN=29.07.2025^COUT=30.07.2025^ODA=101");
    ASSERT_TRUE(waitForCalls(2));
    EXPECT_THAT(lock.calls, ElementsAre("IssueGuestCard", "BeepOk"));
}

TEST_F(CheckinOverUdp, PortOutsideTheRangeIsABindFailure) {
    for (double port : {65536.0, -1.0, 1e12}) {
        log.clear();
        settings.portValue = port;
        core.StartSystem();
        EXPECT_EQ(message(1), "Haberleşme Portu Açılırken Bir Hata Meydana Geldi - Could not "
                              "bind socket. Address and port are already in use.")
            << port;
        EXPECT_FALSE(server.Active());
    }
}

TEST_F(CheckinOverUdp, CloseDeactivatesAndMakesNoLibraryCall) {
    core.StartSystem();
    const int port = boundPort();
    lock.calls.clear();
    core.FormClose();
    EXPECT_FALSE(server.Active());
    sendDatagram(port, "CIN=29.07.2025^COUT=30.07.2025^ODA=101");
    queue.waitAndDrain(200ms);
    EXPECT_TRUE(lock.calls.empty());
}
