#include "app/integration_core.h"
#include "platform/error.h"
#include "recording_lock_library.h"
#include "rooms/room_table.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace zorva;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::string_literals;

namespace {

platform::DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    platform::DateTime v;
    EXPECT_TRUE(platform::DateTime::tryFromFields({y, mo, d, h, mi, s, ms}, v));
    return v;
}

std::string bytes(const auto& buffer) {
    return std::string(buffer.begin(), buffer.end());
}

class CheckinTest : public ::testing::Test {
protected:
    void SetUp() override {
        rooms->open();
        addRoom(1, 1, 2, 12, "101");
        addRoom(3, 4, 5, 6, "102");
        rooms->first();
        core.FSystemStarted = true;
    }

    void addRoom(std::optional<int> alan, std::optional<int> bina, std::optional<int> kat,
                 std::optional<int> oda, const std::string& name) {
        rooms->append();
        const std::optional<int> ids[] = {alan, bina, kat, oda};
        for (int i = 0; i < 4; ++i)
            if (ids[i])
                rooms->field(i).setAsInteger(*ids[i]);
        rooms->field("ODA_STR").setAsString(name);
        rooms->post();
    }

    void receive(const std::string& datagram) { core.IdUDPServer1UDPRead(datagram); }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& line : log.lines())
            out.push_back(line.substr(line.find(": ") + 2));
        return out;
    }

    platform::DateTime now = at(2025, 7, 29, 10, 15, 30);
    RecordingLockLibrary lock;
    std::unique_ptr<rooms::MemoryDataSet> rooms = rooms::makeRoomTable();
    app::Log log;
    app::IntegrationCore core{lock, *rooms, log, platform::FormatSettings::turkish(),
                              [this] { return now; }};
};

} // namespace

TEST_F(CheckinTest, RefusedWithOneLineWhileNotStarted) {
    core.FSystemStarted = false;
    receive("CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101");
    receive("garbage that would not convert");
    EXPECT_THAT(messages(), ElementsAre("Sistem Başlatılmamış.", "Sistem Başlatılmamış."));
    EXPECT_THAT(lock.calls, IsEmpty());
    core.IssueCardForRoom("101", now, now);
    EXPECT_THAT(lock.calls, IsEmpty());
}

TEST_F(CheckinTest, CheckinBecomesOneRequestWithExactBytes) {
    receive("CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101");
    ASSERT_EQ(lock.requests.size(), 1u);
    const auto& r = lock.requests[0];
    EXPECT_EQ(r.lockAddress, (std::array<std::uint8_t, 4>{1, 1, 2, 12}));
    EXPECT_EQ(bytes(r.checkIn), "202507291400");
    EXPECT_EQ(bytes(r.checkOut), "202507311200");
    EXPECT_EQ(r.buffer2, (std::array<std::uint8_t, 8>{}));
    EXPECT_EQ(r.buffer3[0], 0);
    EXPECT_EQ(r.buffer4, (std::array<std::uint8_t, 3>{}));
    EXPECT_EQ(r.buffer7, (std::array<std::uint8_t, 11>{1, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0}));
    EXPECT_EQ(r.buffer8, (std::array<std::uint8_t, 7>{}));
    EXPECT_EQ(r.flags, 0);
    EXPECT_THAT(lock.calls, ElementsAre("IssueGuestCard", "BeepOk"));
    EXPECT_THAT(log.lines(), IsEmpty()) << "a written card leaves no line";
}

TEST_F(CheckinTest, CheckinTextsAsSent) {
    const std::pair<const char*, const char*> cases[] = {
        {"29.07.2025 14:30", "202507291430"},
        {"29.07.2025", "202507290000"},
        {"29.07.2025 14:30:59", "202507291430"},
        {"29.07.2025 2:30 PM", "202507291430"},
        {"29.07 14:30", "202507291430"},
        {"29.07.25 14:30", "202507291430"},
        {"14:30", "189912301430"},
        {"29.07.2025 23:59:59,999", "202507292359"},
    };
    for (const auto& [text, sent] : cases) {
        lock.requests.clear();
        receive(std::string("CIN=") + text + "^COUT=30.07.2025^ODA=101");
        ASSERT_EQ(lock.requests.size(), 1u) << text;
        EXPECT_EQ(bytes(lock.requests[0].checkIn), sent) << text;
    }
}

TEST_F(CheckinTest, BadOrMissingDatesAreLoggedAndGetNoCard) {
    struct Case {
        std::string datagram;
        std::string line;
    } cases[] = {
        {"CIN=31.02.2025^COUT=31.07.2025^ODA=101",
         "Hatalı Tarih - '31.02.2025' is not a valid date and time"},
        {"CIN=29.07.2025 24:00^COUT=31.07.2025^ODA=101",
         "Hatalı Tarih - '29.07.2025 24:00' is not a valid date and time"},
        {"CIN=29.07.2025^COUT=31.02.2025^ODA=101",
         "Hatalı Tarih - '31.02.2025' is not a valid date and time"},
        // The check-in is read first, so its fault is the one told.
        {"CIN=bad^COUT=worse^ODA=101", "Hatalı Tarih - 'bad' is not a valid date and time"},
        {"CIN =29.07.2025^COUT=31.07.2025^ODA=101",
         "Hatalı Tarih - '' is not a valid date and time"},
        {"COUT=31.07.2025^ODA=101", "Hatalı Tarih - '' is not a valid date and time"},
        {"CIN=29.07.2025^ODA=nowhere", "Hatalı Tarih - '' is not a valid date and time"},
        {"oda=101", "Hatalı Tarih - '' is not a valid date and time"},
        {"CIN=07/29/2025 2:00 PM^COUT=07/31/2025^ODA=101",
         "Hatalı Tarih - '07/29/2025 2:00 PM' is not a valid date and time"},
        {"CIN=29.07.2025 \xDE^COUT=30.07.2025",
         "Hatalı Tarih - '29.07.2025 Ş' is not a valid date and time"},
    };
    for (const auto& c : cases) {
        log.clear();
        receive(c.datagram);
        EXPECT_THAT(messages(), ElementsAre(c.line)) << c.datagram;
    }
    EXPECT_THAT(lock.calls, IsEmpty()) << "no card and no beep";
}

TEST_F(CheckinTest, TrafficThatNamesNoFieldIsDroppedWithoutAWord) {
    for (const std::string& datagram :
         {""s, "garbage"s, "CINEMA=1^ROOM=101"s, "CIN 29.07.2025"s, "\0CIN=bad"s, "=^^=="s}) {
        receive(datagram);
        EXPECT_THAT(log.lines(), IsEmpty()) << datagram;
    }
    EXPECT_THAT(lock.calls, IsEmpty());
}

TEST_F(CheckinTest, ReceivedTextInALogLineIsCutToAHundredCharacters) {
    const std::string hundred(100, 'x');
    std::string hundredShin; // the same length in characters, twice that in UTF-8
    for (int i = 0; i < 100; ++i)
        hundredShin += "Ş";
    receive("CIN=29.07.2025^COUT=30.07.2025^ODA=" + hundred + "and more");
    receive("CIN=29.07.2025^COUT=30.07.2025^ODA=" + hundred);
    receive("CIN=29.07.2025^COUT=" + std::string(100, '\xDE') + "1^ODA=101");
    EXPECT_THAT(messages(),
                ElementsAre("Hatalı Tarih - '" + hundredShin + "...' is not a valid date and time",
                            "Tanımsız Oda - Oda Adı: " + hundred,
                            "Tanımsız Oda - Oda Adı: " + hundred + "..."));
}

TEST_F(CheckinTest, FieldsInAnyOrderAndCase) {
    receive("oda=102\r\nCout=31.07.2025 12:00\nCIN=29.07.2025 14:00^ODA=101");
    ASSERT_EQ(lock.requests.size(), 1u);
    EXPECT_EQ(lock.requests[0].lockAddress, (std::array<std::uint8_t, 4>{3, 4, 5, 6}));
    EXPECT_EQ(rooms->field("ODA_STR").asString(), "102") << "the room found is current";
}

TEST_F(CheckinTest, CheckOutBeforeCheckInIsPassedOn) {
    receive("CIN=31.07.2025 12:00^COUT=29.07.2025 14:00^ODA=101");
    ASSERT_EQ(lock.requests.size(), 1u);
    EXPECT_EQ(bytes(lock.requests[0].checkOut), "202507291400");
}

TEST_F(CheckinTest, AMissingOrEmptyRoomIsUndefinedEvenWhenARowHasNoName) {
    addRoom(9, 9, 9, 9, "");
    rooms->first();
    for (const char* datagram :
         {"CIN=29.07.2025^COUT=30.07.2025^ODA=", "CIN=29.07.2025^COUT=30.07.2025"}) {
        log.clear();
        receive(datagram);
        EXPECT_THAT(messages(), ElementsAre("Tanımsız Oda - Oda Adı: ")) << datagram;
    }
    EXPECT_THAT(lock.calls, ElementsAre("BeepFailure", "BeepFailure"));
    EXPECT_THAT(lock.requests, IsEmpty());
    EXPECT_EQ(rooms->field("ODA_STR").asString(), "101") << "the grid stays where it was";
    EXPECT_TRUE(rooms->locate("ODA_STR", "")) << "the table's own lookup keeps its rule";
}

TEST_F(CheckinTest, UndefinedRoomIsLoggedAndGetsNoCard) {
    rooms->last();
    receive("CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA= 101");
    EXPECT_THAT(messages(), ElementsAre("Tanımsız Oda - Oda Adı:  101"));
    EXPECT_THAT(lock.calls, ElementsAre("BeepFailure"));
    EXPECT_EQ(rooms->field("ODA_STR").asString(), "102") << "the grid stays where it was";

    log.clear();
    receive("CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=Kule \xDE"
            "ah");
    EXPECT_THAT(messages(), ElementsAre("Tanımsız Oda - Oda Adı: Kule Şah"));
}

TEST_F(CheckinTest, LockAddressBytesOutsideTheirRangeGetNoCard) {
    addRoom(1, 1, 1, 256, "256");
    addRoom(300, 1, 1, 1, "300");
    addRoom(1, -1, 1, 1, "neg");
    addRoom(1, 1, 255, 255, "max");
    addRoom(std::nullopt, std::nullopt, std::nullopt, std::nullopt, "nulls");
    for (const char* name : {"256", "300", "neg"}) {
        receive(std::string("CIN=29.07.2025^COUT=30.07.2025^ODA=") + name);
        EXPECT_EQ(messages().front(), std::string("Hatalı Oda Tanımı - Oda Adı: ") + name);
    }
    EXPECT_THAT(lock.requests, IsEmpty());
    EXPECT_THAT(lock.calls, ElementsAre("BeepFailure", "BeepFailure", "BeepFailure"));

    receive("CIN=29.07.2025^COUT=30.07.2025^ODA=max");
    receive("CIN=29.07.2025^COUT=30.07.2025^ODA=nulls");
    ASSERT_EQ(lock.requests.size(), 2u);
    EXPECT_EQ(lock.requests[0].lockAddress, (std::array<std::uint8_t, 4>{1, 1, 255, 255}));
    EXPECT_EQ(lock.requests[1].lockAddress, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
}

TEST_F(CheckinTest, RefusedCardIsLoggedWithItsCode) {
    for (std::int16_t code : {-1, 7, -32768}) {
        lock.issueResult = code;
        receive("CIN=29.07.2025^COUT=30.07.2025^ODA=101");
        EXPECT_EQ(messages().front(),
                  "Zorvat Kilit Sistemi Aktif Edilemedi - Hata Kodu: " + std::to_string(code));
        EXPECT_EQ(lock.calls.back(), "BeepFailure");
    }
}

TEST_F(CheckinTest, LookupFailureEndsTheHandlerSilently) {
    rooms->afterPost = [](rooms::MemoryDataSet&) {
        throw platform::Error("Unable to write to /x/Odalar.ini");
    };
    rooms->append();
    rooms->field("ODA_STR").setAsString("pending");
    EXPECT_THROW(receive("CIN=29.07.2025^COUT=30.07.2025^ODA=101"), platform::Error);
    EXPECT_THAT(lock.calls, IsEmpty());
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(CheckinTest, LogLinesAreStampedAndNewestFirst) {
    core.WriteLog("first");
    now = at(2025, 7, 30, 0, 0, 0, 500);
    core.WriteLog("second");
    EXPECT_THAT(log.lines(), ElementsAre("30.07.2025: second", "29.07.2025 10:15:30: first"));
}

TEST_F(CheckinTest, LogKeepsTheNewestTenThousandLines) {
    core.FSystemStarted = false;
    std::size_t dropped = 0;
    log.onLineAdded = [&](const std::string&, std::size_t droppedOldest) {
        dropped += droppedOldest;
    };
    for (int i = 0; i < 10'005; ++i)
        core.WriteLog(std::to_string(i));
    EXPECT_EQ(log.lines().size(), app::Log::maxLines);
    EXPECT_EQ(dropped, 5u);
    EXPECT_EQ(messages().front(), "10004");
    EXPECT_EQ(messages().back(), "5");
}

TEST_F(CheckinTest, LogKeepsAtMostTwoMegabytesOfText) {
    const std::string kilobyte(1024 - std::string("29.07.2025 10:15:30: ").size(), 'k');
    std::vector<std::size_t> dropped;
    log.onLineAdded = [&](const std::string&, std::size_t n) { dropped.push_back(n); };
    for (int i = 0; i < 2048; ++i)
        core.WriteLog(kilobyte);
    EXPECT_EQ(log.bytes(), app::Log::maxBytes);
    EXPECT_EQ(log.lines().size(), 2048u);
    EXPECT_EQ(std::count(dropped.begin(), dropped.end(), 0u), 2048);

    // One line of 4 kB pushes out the four oldest; a line larger than the whole bound stays.
    core.WriteLog(std::string(4096 - 21, 'b'));
    EXPECT_EQ(dropped.back(), 4u);
    EXPECT_LE(log.bytes(), app::Log::maxBytes);
    core.WriteLog(std::string(app::Log::maxBytes + 1, 'c'));
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.bytes(), log.lines().front().size());
}

TEST_F(CheckinTest, EveryLineIsMirroredTheLinesAlreadyThereFirst) {
    core.WriteLog("earlier");
    core.WriteLog("later");
    std::vector<std::string> mirrored;
    log.setMirror([&](const std::string& line) { mirrored.push_back(line); });
    receive("CIN=29.07.2025^COUT=30.07.2025^ODA=nowhere");
    EXPECT_THAT(mirrored, ElementsAre("29.07.2025 10:15:30: earlier", "29.07.2025 10:15:30: later",
                                      "29.07.2025 10:15:30: Tanımsız Oda - Oda Adı: nowhere"));
}
