#include "app/integration_core.h"

#include "app/checkin_message.h"
#include "platform/ansi_text.h"
#include "platform/date_text.h"

#include <algorithm>

namespace zorva::app {

using platform::ansiToUtf8;
using platform::DateTime;

namespace {

constexpr std::string_view notStarted = "Sistem Başlatılmamış.";
constexpr std::string_view undefinedRoom = "Tanımsız Oda - Oda Adı: ";
constexpr std::string_view badRoomDefinition = "Hatalı Oda Tanımı - Oda Adı: ";
constexpr std::string_view refused = "Zorvat Kilit Sistemi Aktif Edilemedi - Hata Kodu: ";

std::array<std::uint8_t, 12> cardTime(DateTime value) {
    // Seconds and milliseconds are dropped, never rounded into the minute.
    const std::string text = platform::formatDateTime("yyyymmddhhnn", value, {});
    std::array<std::uint8_t, 12> bytes{};
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), bytes.size()), bytes.begin());
    return bytes;
}

} // namespace

lock::GuestCardRequest makeGuestCardRequest(const std::array<std::uint8_t, 4>& lockAddress,
                                            DateTime checkIn, DateTime checkOut) {
    lock::GuestCardRequest r;
    r.lockAddress = lockAddress;
    r.checkIn = cardTime(checkIn);
    r.checkOut = cardTime(checkOut);
    r.buffer7[0] = 1;
    r.buffer7[6] = 16;
    return r;
}

IntegrationCore::IntegrationCore(lock::LockLibrary& lock, rooms::MemoryDataSet& OdaTanim_Rx,
                                 Log& log, platform::FormatSettings settings, platform::Clock clock)
    : m_lock(lock), m_rooms(OdaTanim_Rx), m_log(log), m_settings(std::move(settings)),
      m_clock(std::move(clock)) {}

void IntegrationCore::IdUDPServer1UDPRead(std::string_view data) {
    if (!FSystemStarted) {
        WriteLog(notStarted);
        return;
    }
    const auto fields = splitMessageFields(data);
    const int year = m_clock().fields().year;
    const DateTime checkIn = platform::strToDateTime(messageValue(fields, "CIN"), m_settings, year);
    const DateTime checkOut =
        platform::strToDateTime(messageValue(fields, "COUT"), m_settings, year);
    IssueCardForRoom(messageValue(fields, "ODA"), checkIn, checkOut);
}

void IntegrationCore::IssueCardForRoom(const std::string& roomName, DateTime checkIn,
                                       DateTime checkOut) {
    if (!FSystemStarted) {
        WriteLog(notStarted);
        return;
    }
    // An undefined room gets no card at all: the request would carry room 0 and the area,
    // building and floor of whatever record happened to be current, a card for a wrong door.
    const auto room = FindRoomNo(roomName);
    if (!room)
        return;
    const std::int32_t ids[4] = {m_rooms.field("ALAN").asInteger(),
                                 m_rooms.field("BINA").asInteger(),
                                 m_rooms.field("KAT").asInteger(), *room};
    // Each ID travels as one byte; cutting 300 to 44 would open another door.
    if (std::any_of(std::begin(ids), std::end(ids),
                    [](std::int32_t v) { return v < 0 || v > 255; })) {
        WriteLog(std::string(badRoomDefinition) + ansiToUtf8(roomName));
        m_lock.beepFailure();
        return;
    }
    std::array<std::uint8_t, 4> address{};
    std::transform(std::begin(ids), std::end(ids), address.begin(),
                   [](std::int32_t v) { return static_cast<std::uint8_t>(v); });
    auto request = makeGuestCardRequest(address, checkIn, checkOut);
    const std::int16_t result = m_lock.issueGuestCard(request);
    if (result == 0) {
        m_lock.beepOk();
        return;
    }
    WriteLog(std::string(refused) + std::to_string(result));
    m_lock.beepFailure();
}

std::optional<std::int32_t> IntegrationCore::FindRoomNo(const std::string& roomName) {
    if (m_rooms.locate("ODA_STR", roomName))
        return m_rooms.field("ODA").asInteger();
    WriteLog(std::string(undefinedRoom) + ansiToUtf8(roomName));
    m_lock.beepFailure();
    return std::nullopt;
}

void IntegrationCore::WriteLog(std::string_view message) {
    const std::string stamp = platform::dateTimeToStr(m_clock(), m_settings);
    m_log.insertTop(ansiToUtf8(stamp) + ": " + std::string(message));
}

} // namespace zorva::app
