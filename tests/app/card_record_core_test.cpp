// What the record gets from check-ins: a line for each one that reaches its room name, with what
// was sent and what came of it, and a record that cannot be written told of without holding up
// a card.

#include "app/integration_core.h"
#include "recording_lock_library.h"
#include "rooms/room_table.h"
#include "tests/app/card_record_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace zorva;
using Kind = lock::LibraryFailure::Kind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

namespace fs = std::filesystem;

class RecordedCheckinTest : public app::test::CardRecordTest {
protected:
    void SetUp() override {
        rooms->open();
        addRoom(1, 1, 2, 12, "101");
        addRoom(1, 2, 3, 300,
                "Kat 3; \"Kral\" Dairesi, \xC7"
                "at\xFD");
        rooms->first();
        core.recordCardsIn(record);
        core.FSystemStarted = true;
    }

    void addRoom(int alan, int bina, int kat, int oda, const std::string& name) {
        rooms->append();
        const int ids[] = {alan, bina, kat, oda};
        for (int i = 0; i < 4; ++i)
            rooms->field(i).setAsInteger(ids[i]);
        rooms->field("ODA_STR").setAsString(name);
        rooms->post();
    }

    void receive(const std::string& datagram, const std::string& from = "192.168.1.20",
                 int port = 52000) {
        core.IdUDPServer1UDPRead(datagram, from, port);
    }

    // The record's lines after the header, field by field.
    std::vector<std::vector<std::string>> lines() const {
        if (!fs::exists(july()))
            return {};
        const std::string bytes = contents(july());
        EXPECT_TRUE(bytes.starts_with(app::CardRecord::fileStart()));
        std::vector<std::vector<std::string>> out;
        for (auto& line : app::test::readCsv(bytes, app::CardRecord::fileStart().size()))
            out.push_back(std::move(line.fields));
        return out;
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& line : log.lines())
            out.insert(out.begin(), line.substr(line.find(": ") + 2));
        return out;
    }

    platform::DateTime now = app::test::localTime(2025, 7, 29, 10, 15, 30);
    RecordingLockLibrary lock;
    std::unique_ptr<rooms::MemoryDataSet> rooms = rooms::makeRoomTable();
    app::Log log;
    app::CardRecord record{folder()};
    app::IntegrationCore core{lock, *rooms, log, platform::FormatSettings::turkish(),
                              [this] { return now; }};
};

} // namespace

TEST_F(RecordedCheckinTest, EachOutcomeIsALineWithWhatWasSentAndWhatCameBack) {
    using Fields = std::vector<std::string>;
    const Fields sent = {"1.1.2.12", "202507291400", "202507311200"};
    const Fields nothingSent = {"", "", ""};
    const struct {
        const char* what;
        std::string room;
        std::int16_t result;
        std::optional<Kind> failure; // thrown from the card's call
        Fields request;
        std::string resultCode, outcome;
    } cases[] = {
        {"a card", "101", 0, {}, sent, "0", "kart"},
        {"refused by the encoder", "101", -3, {}, sent, "-3", "reddedildi"},
        {"an undefined room", "999", 0, {}, nothingSent, "", "tanımsız oda"},
        {"an empty room name", "", 0, {}, nothingSent, "", "tanımsız oda"},
        {"a room whose numbers do not fit a byte",
         "Kat 3; \"Kral\" Dairesi, \xC7"
         "at\xFD",
         0,
         {},
         nothingSent,
         "",
         "hatalı oda tanımı"},
        {"no answer", "101", 0, Kind::NoAnswer, sent, "", "kütüphane yanıt vermedi"},
        {"the library's process ended", "101", 0, Kind::Stopped, sent, "", "kütüphane durdu"},
        {"the program ending during the call", "101", 0, Kind::Interrupted, sent, "",
         "program kapanırken kesildi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder());
        lock = RecordingLockLibrary{};
        lock.issueResult = c.result;
        if (c.failure)
            lock.onCall = [kind = *c.failure](const std::string& call) {
                if (call == "IssueGuestCard")
                    throw lock::LibraryFailure(kind, "signal 11");
            };
        core.FSystemStarted = true;
        receive("CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=" + c.room);
        Fields expected = {"2025-07-29 10:15:30", "192.168.1.20", "52000",
                           c.room.starts_with("Kat 3") ? "Kat 3; \"Kral\" Dairesi, Çatı" : c.room};
        expected.insert(expected.end(), c.request.begin(), c.request.end());
        expected.push_back(c.resultCode);
        expected.push_back(c.outcome);
        EXPECT_THAT(lines(), ElementsAre(expected));
    }
}

TEST_F(RecordedCheckinTest, DatagramsThatNeverReachARoomNameLeaveNoLine) {
    receive("CIN=31.02.2025^COUT=31.07.2025^ODA=101");
    receive("stray traffic");
    core.FSystemStarted = false;
    receive("CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101");
    EXPECT_FALSE(fs::exists(july()));
    EXPECT_THAT(lock.requests, IsEmpty());
}

TEST_F(RecordedCheckinTest, ARecordThatCannotBeWrittenIsToldOnceAndTheCardsGoOn) {
    const char* checkin = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101";
    zorva::testing::writeBytes(m_dir.file("Kartlar"), "not a folder");
    for (int i = 0; i < 3; ++i)
        receive(checkin, "192.168.1." + std::to_string(20 + i));
    EXPECT_EQ(lock.requests.size(), 3u);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_THAT(messages()[0], ::testing::StartsWith("Kart Kaydı Yazılamadı - " + july() + ": "));
    EXPECT_GT(messages()[0].size(), ("Kart Kaydı Yazılamadı - " + july() + ": ").size())
        << "the system's reason";

    // The lines held meanwhile come out first, in their order, and the log says it works again.
    fs::remove(m_dir.file("Kartlar"));
    receive(checkin, "192.168.1.23");
    const auto recorded = lines();
    ASSERT_EQ(recorded.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(recorded[i][1], "192.168.1." + std::to_string(20 + i));
    EXPECT_EQ(messages().back(), "Kart Kaydı Yeniden Yazılıyor");

    // A new streak is told again.
    fs::rename(folder(), m_dir.file("Kartlar-moved"));
    zorva::testing::writeBytes(m_dir.file("Kartlar"), "not a folder");
    receive(checkin);
    receive(checkin);
    EXPECT_EQ(messages().size(), 3u);
    EXPECT_EQ(lock.requests.size(), 6u);
}
