// The encoder's library failing in a call: what the operator reads, and the lock system started
// again by itself, no more often than the schedule allows.

#include "app/integration_core.h"
#include "app/restart_schedule.h"
#include "fake_operator.h"
#include "recording_lock_library.h"
#include "rooms/room_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace zorva;
using namespace std::chrono_literals;
using Kind = lock::LibraryFailure::Kind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::vector<std::string> startCalls{
    "FreeSystem", "InitializeSystem 5", "SetAuthCode ABCDEFGHIJKLMNOP 1 2 3 4 5 6 7 0 0 0 0 0 0 0",
    "BeepOk"};
const char* const checkin = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101";

class LibraryFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        rooms->open();
        rooms->append();
        rooms->field("ODA").setAsInteger(12);
        rooms->field("ODA_STR").setAsString("101");
        rooms->post();
        core.attach(settings, listener);
        core.schedule = [this](std::chrono::milliseconds delay, std::function<void()> fn) {
            timers.push_back({now + delay, std::move(fn)});
        };
        core.steadyNow = [this] { return now; };
        core.StartSystem();
        ASSERT_TRUE(core.FSystemStarted);
        lock.calls.clear();
        log.clear();
    }

    // Lets time pass, running the timers that fall due, in order.
    void pass(std::chrono::milliseconds time) {
        const auto until = now + time;
        for (;;) {
            auto due = std::min_element(timers.begin(), timers.end(),
                                        [](auto& a, auto& b) { return a.at < b.at; });
            if (due == timers.end() || due->at > until)
                break;
            now = due->at;
            auto fn = std::move(due->fn);
            timers.erase(due);
            fn();
        }
        now = until;
    }

    // Throws the failure from the named call, the next `times` times it is made.
    void failIn(const std::string& call, Kind kind, std::string detail = {}, int times = 1) {
        lock.onCall = [=, left = times](const std::string& c) mutable {
            if (c == call && left-- > 0)
                throw lock::LibraryFailure(kind, detail);
        };
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& line : log.lines())
            out.insert(out.begin(), line.substr(line.find(": ") + 2));
        return out;
    }

    struct Timer {
        app::RestartSchedule::Clock::time_point at;
        std::function<void()> fn;
    };
    app::RestartSchedule::Clock::time_point now{1h};
    std::vector<Timer> timers;
    RecordingLockLibrary lock;
    FakeOperator settings;
    NullListener listener;
    std::unique_ptr<rooms::MemoryDataSet> rooms = rooms::makeRoomTable();
    app::Log log;
    app::IntegrationCore core{lock, *rooms, log, platform::FormatSettings::turkish()};
};

} // namespace

TEST_F(LibraryFailureTest, ACardWithoutAnAnswerIsToldAndTheLockSystemStartsAgainAtOnce) {
    struct Case {
        Kind kind;
        std::string detail;
        std::string line;
    } cases[] = {
        {Kind::NoAnswer, "", "Kilit Kütüphanesi Yanıt Vermedi"},
        {Kind::Stopped, "signal 11 (Segmentation fault)",
         "Kilit Kütüphanesi Durdu - signal 11 (Segmentation fault)"},
        {Kind::Stopped, "exit code 0xC0000005", "Kilit Kütüphanesi Durdu - exit code 0xC0000005"},
    };
    for (const Case& c : cases) {
        failIn("IssueGuestCard", c.kind, c.detail);
        core.IdUDPServer1UDPRead(checkin);
        EXPECT_THAT(lock.calls, ElementsAre("IssueGuestCard")) << "no beep from a dead library";
        EXPECT_FALSE(core.FSystemStarted);
        // Refused, not sent to a library that has not been started again.
        core.IdUDPServer1UDPRead(checkin);
        EXPECT_EQ(lock.calls.size(), 1u);

        lock.calls.clear();
        pass(0ms);
        EXPECT_EQ(lock.calls, startCalls);
        EXPECT_TRUE(core.FSystemStarted);
        core.IdUDPServer1UDPRead(checkin);
        EXPECT_THAT(lock.calls, ::testing::Contains("IssueGuestCard"));
        EXPECT_EQ(lock.calls.back(), "BeepOk");
        EXPECT_THAT(messages(),
                    ElementsAre(c.line, "Sistem Başlatılmamış.",
                                "Kilit Kütüphanesi Yeniden Başlatılıyor", "Sistem Başlatıldı."));
        lock.calls.clear();
        log.clear();
        pass(1min); // a card served; the next failure may restart at once again
    }
}

TEST_F(LibraryFailureTest, ALibraryThatDiesAtEveryStartIsStartedLessAndLessOften) {
    std::vector<app::RestartSchedule::Clock::time_point> starts;
    lock.onCall = [&](const std::string& call) {
        if (call == "FreeSystem")
            starts.push_back(now);
        if (call == "InitializeSystem")
            throw lock::LibraryFailure(Kind::Stopped, "exit code 3");
    };
    core.StartSystem();
    pass(30min);
    // The first restart comes at once; then every gap doubles from ten seconds to five minutes.
    std::vector<std::chrono::seconds> gaps;
    for (std::size_t i = 1; i < starts.size() && gaps.size() < 9; ++i)
        gaps.push_back(std::chrono::duration_cast<std::chrono::seconds>(starts[i] - starts[i - 1]));
    EXPECT_THAT(gaps, ElementsAre(0s, 10s, 20s, 40s, 80s, 160s, 300s, 300s, 300s));
    EXPECT_EQ(timers.size(), 1u) << "one restart waits at a time";
    const auto m = messages();
    ASSERT_GE(m.size(), 4u);
    EXPECT_EQ(m[0], "Kilit Kütüphanesi Durdu - exit code 3");
    EXPECT_EQ(m[1], "Kilit Kütüphanesi Yeniden Başlatılıyor");
    EXPECT_EQ(m[2], "Kilit Kütüphanesi Durdu - exit code 3");
    EXPECT_EQ(m[3], "Kilit Kütüphanesi Yeniden Başlatılacak - Bekleme: 10 sn");
}

TEST_F(LibraryFailureTest, AStartThatCannotMakeTheLibraryReadyIsToldAsItStandsAndWaits) {
    failIn("FreeSystem", Kind::NotStarted,
           "Kilit Kütüphanesi Yüklenemedi - /x/libLevelLock.so: cannot open shared object file", 2);
    core.StartSystem();
    pass(0ms);
    pass(10s);
    EXPECT_THAT(messages(),
                ElementsAre("Kilit Kütüphanesi Yüklenemedi - /x/libLevelLock.so: cannot open "
                            "shared object file",
                            "Kilit Kütüphanesi Yeniden Başlatılıyor",
                            "Kilit Kütüphanesi Yüklenemedi - /x/libLevelLock.so: cannot open "
                            "shared object file",
                            "Kilit Kütüphanesi Yeniden Başlatılacak - Bekleme: 10 sn",
                            "Kilit Kütüphanesi Yeniden Başlatılıyor", "Sistem Başlatıldı."));
    EXPECT_TRUE(core.FSystemStarted);
}

TEST_F(LibraryFailureTest, ApplyWhileARestartWaitsMakesItNeedless) {
    failIn("InitializeSystem", Kind::NoAnswer, "", 2);
    core.StartSystem(); // fails; the restart at once fails too and the next waits 10 s
    pass(0ms);
    ASSERT_EQ(timers.size(), 1u);
    lock.onCall = nullptr;
    lock.calls.clear();
    core.MvBitBtn1Click();
    EXPECT_EQ(lock.calls, startCalls);
    pass(10min);
    EXPECT_EQ(lock.calls, startCalls) << "the waiting restart did nothing";
}

TEST_F(LibraryFailureTest, AFailedBeepOrInterruptedCallStopsTheStartAndAnInterruptTellsNothing) {
    failIn("BeepOk", Kind::NoAnswer);
    core.StartSystem();
    EXPECT_FALSE(core.FSystemStarted);
    EXPECT_THAT(messages(), ElementsAre("Kilit Kütüphanesi Yanıt Vermedi"));

    log.clear();
    pass(0ms);
    ASSERT_TRUE(core.FSystemStarted);
    failIn("IssueGuestCard", Kind::Interrupted);
    log.clear();
    core.IdUDPServer1UDPRead(checkin);
    EXPECT_FALSE(core.FSystemStarted);
    EXPECT_THAT(log.lines(), IsEmpty()) << "the program is ending";
    EXPECT_THAT(timers, IsEmpty());
}

TEST(RestartSchedule, AtOnceAfterServiceOtherwiseTenSecondsSinceTheLastStartAndDoubling) {
    using namespace std::chrono;
    app::RestartSchedule s;
    const app::RestartSchedule::Clock::time_point t0{1h};
    s.started(t0);
    EXPECT_EQ(s.afterFailure(t0 + 3s), 0s) << "the first failure";
    s.started(t0 + 3s);
    EXPECT_EQ(s.afterFailure(t0 + 4s), 9s) << "ten seconds after the last start";
    s.started(t0 + 13s);
    EXPECT_EQ(s.afterFailure(t0 + 60s), 0s) << "long enough since the last start";
    s.started(t0 + 60s);
    EXPECT_EQ(s.afterFailure(t0 + 60s), 40s);
    s.served();
    EXPECT_EQ(s.afterFailure(t0 + 61s), 0s) << "a card served since";
}
