#include "app/integration_core.h"

#include "app/checkin_message.h"
#include "platform/ansi_text.h"
#include "platform/date_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zorva::app {

using platform::ansiToUtf8;
using platform::DateTime;

namespace {

constexpr std::string_view notStarted = "Sistem Başlatılmamış.";
constexpr std::string_view undefinedRoom = "Tanımsız Oda - Oda Adı: ";
constexpr std::string_view badRoomDefinition = "Hatalı Oda Tanımı - Oda Adı: ";
constexpr std::string_view refused = "Zorvat Kilit Sistemi Aktif Edilemedi - Hata Kodu: ";
constexpr std::string_view portFailed = "Haberleşme Portu Açılırken Bir Hata Meydana Geldi - ";
constexpr std::string_view badAuthCode = "Hatalı Kayıt Kodu";
constexpr std::string_view started = "Sistem Başlatıldı.";
constexpr std::string_view badDate = "Hatalı Tarih - ";
constexpr std::string_view queueFull = "Alım Kuyruğu Doldu - Kaybolan Paket Sayısı: ";
constexpr std::string_view senderNotAllowed = "İzinsiz Gönderen - ";
constexpr std::string_view badSenderList =
    "İzinli Gönderenler Okunamadı, Hiçbir Gönderen Alınmıyor - ";
// How often a sender that is not allowed is told of, and how many such senders are kept in
// mind: a flood from many addresses must not grow the program's memory.
constexpr auto refusedSenderInterval = std::chrono::minutes(1);
constexpr std::size_t refusedSendersKept = 1024;
constexpr std::string_view libraryNoAnswer = "Kilit Kütüphanesi Yanıt Vermedi";
constexpr std::string_view libraryStopped = "Kilit Kütüphanesi Durdu - ";
constexpr std::string_view libraryRestarting = "Kilit Kütüphanesi Yeniden Başlatılıyor";
constexpr std::string_view libraryRestartLater =
    "Kilit Kütüphanesi Yeniden Başlatılacak - Bekleme: ";
constexpr std::string_view recordFailed = "Kart Kaydı Yazılamadı - ";
constexpr std::string_view recordWritten = "Kart Kaydı Yeniden Yazılıyor";

std::string joined(const std::array<std::string, 4>& parts) {
    return parts[0] + parts[1] + parts[2] + parts[3];
}

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

void IntegrationCore::IdUDPServer1UDPRead(std::string_view data, const std::string& senderAddress,
                                          int senderPort) {
    if (!m_senders.allows(senderAddress)) {
        senderRefused(senderAddress);
        return;
    }
    if (!FSystemStarted) {
        WriteLog(notStarted);
        return;
    }
    const auto fields = splitMessageFields(data);
    // Stray traffic on the port is no check-in and must not fill the log.
    if (!carriesField(fields, "CIN") && !carriesField(fields, "COUT") &&
        !carriesField(fields, "ODA"))
        return;
    const int year = m_clock().fields().year;
    DateTime checkIn;
    DateTime checkOut;
    // A front office with other regional settings than ours sends dates we cannot read; the
    // receptionist has to learn why no card came.
    for (auto [name, value] : {std::pair{"CIN", &checkIn}, std::pair{"COUT", &checkOut}}) {
        const std::string text = messageValue(fields, name);
        if (!platform::tryStrToDateTime(text, m_settings, year, *value)) {
            WriteLog(std::string(badDate) + platform::invalidDateTimeMessage(loggedText(text)));
            return;
        }
    }
    IssueCardForRoom(messageValue(fields, "ODA"), checkIn, checkOut, senderAddress, senderPort);
}

void IntegrationCore::IssueCardForRoom(const std::string& roomName, DateTime checkIn,
                                       DateTime checkOut, const std::string& senderAddress,
                                       int senderPort) {
    if (!FSystemStarted) {
        WriteLog(notStarted);
        return;
    }
    CardRecordEntry entry;
    entry.localTime = m_clock();
    entry.senderAddress = senderAddress;
    entry.senderPort = senderPort;
    entry.roomName = roomName;
    entry.outcome = issueCard(entry, checkIn, checkOut);
    // After the card, so that a record that is slow or cannot be written never holds one up.
    recordCard(entry);
}

std::string IntegrationCore::issueCard(CardRecordEntry& entry, DateTime checkIn,
                                       DateTime checkOut) {
    const std::string& roomName = entry.roomName;
    // An undefined room gets no card at all: the request would carry room 0 and the area,
    // building and floor of whatever record happened to be current, a card for a wrong door.
    const auto room = FindRoomNo(roomName);
    if (!room)
        return "tanımsız oda";
    const std::int32_t ids[4] = {m_rooms.field("ALAN").asInteger(),
                                 m_rooms.field("BINA").asInteger(),
                                 m_rooms.field("KAT").asInteger(), *room};
    // Each ID travels as one byte; cutting 300 to 44 would open another door.
    if (std::any_of(std::begin(ids), std::end(ids),
                    [](std::int32_t v) { return v < 0 || v > 255; })) {
        WriteLog(std::string(badRoomDefinition) + loggedText(roomName));
        withLibrary([this] { m_lock.beepFailure(); });
        return "hatalı oda tanımı";
    }
    std::array<std::uint8_t, 4> address{};
    std::transform(std::begin(ids), std::end(ids), address.begin(),
                   [](std::int32_t v) { return static_cast<std::uint8_t>(v); });
    auto request = makeGuestCardRequest(address, checkIn, checkOut);
    entry.lockAddress = address;
    entry.checkIn.assign(request.checkIn.begin(), request.checkIn.end());
    entry.checkOut.assign(request.checkOut.begin(), request.checkOut.end());
    std::int16_t result = 0;
    // A card that was not confirmed gets no beep: the library that would give it is gone.
    if (!withLibrary([&] { result = m_lock.issueGuestCard(request); }))
        return failedCallOutcome();
    m_restarts.served();
    entry.result = result;
    if (result == 0) {
        withLibrary([this] { m_lock.beepOk(); });
        return "kart";
    }
    WriteLog(std::string(refused) + std::to_string(result));
    withLibrary([this] { m_lock.beepFailure(); });
    return "reddedildi";
}

std::string IntegrationCore::failedCallOutcome() const {
    switch (m_lastFailure) {
    case lock::LibraryFailure::Kind::NoAnswer:
        return "kütüphane yanıt vermedi";
    case lock::LibraryFailure::Kind::Stopped:
        return "kütüphane durdu";
    case lock::LibraryFailure::Kind::NotStarted:
        return "kütüphane başlatılamadı";
    case lock::LibraryFailure::Kind::Interrupted:
        return "program kapanırken kesildi";
    }
    return "kütüphane durdu";
}

void IntegrationCore::recordCard(const CardRecordEntry& entry) {
    if (!m_record)
        return;
    if (m_record->append(entry)) {
        if (m_recordFailing)
            WriteLog(recordWritten);
        m_recordFailing = false;
        return;
    }
    // Once for a streak: a full disk must not push every other line out of the log.
    if (m_recordFailing)
        return;
    m_recordFailing = true;
    WriteLog(std::string(recordFailed) + m_record->failedPath() + ": " + m_record->failure());
}

std::optional<std::int32_t> IntegrationCore::FindRoomNo(const std::string& roomName) {
    // A record without a name is a grid row nobody named; a card for it would open a door
    // nobody chose.
    if (!roomName.empty() && m_rooms.locate("ODA_STR", roomName))
        return m_rooms.field("ODA").asInteger();
    WriteLog(std::string(undefinedRoom) + loggedText(roomName));
    withLibrary([this] { m_lock.beepFailure(); });
    return std::nullopt;
}

void IntegrationCore::applyAllowedSenders() {
    std::string error;
    if (auto filter = SenderFilter::parse(m_operator->allowedSenders(), error)) {
        m_senders = std::move(*filter);
        return;
    }
    // A list that was meant to keep senders out must not let all of them in for a typo.
    m_senders = SenderFilter::nobody();
    WriteLog(std::string(badSenderList) + error);
}

void IntegrationCore::senderRefused(const std::string& address) {
    const auto now = steadyNow();
    const auto told = m_refusedSenders.find(address);
    if (told != m_refusedSenders.end() && now - told->second < refusedSenderInterval)
        return;
    if (told == m_refusedSenders.end() && m_refusedSenders.size() >= refusedSendersKept)
        std::erase_if(m_refusedSenders, [&](const auto& entry) {
            return now - entry.second >= refusedSenderInterval;
        });
    // Still full: those told of in the last minute are told of again rather than kept.
    if (m_refusedSenders.size() >= refusedSendersKept)
        m_refusedSenders.clear();
    m_refusedSenders[address] = now;
    WriteLog(std::string(senderNotAllowed) + loggedText(address));
}

void IntegrationCore::datagramsLost(std::uint64_t count) {
    WriteLog(std::string(queueFull) + std::to_string(count));
}

void IntegrationCore::WriteLog(std::string_view message) {
    const std::string stamp = platform::dateTimeToStr(m_clock(), m_settings);
    m_log.insertTop(ansiToUtf8(stamp) + ": " + std::string(message));
}

std::int32_t portFromValue(double value) {
    if (std::isnan(value))
        return -1;
    const double rounded = std::nearbyint(value);
    if (rounded > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (rounded < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(rounded);
}

void IntegrationCore::attach(const OperatorSettings& operatorSettings, Listener& listener) {
    m_operator = &operatorSettings;
    m_listener = &listener;
}

void IntegrationCore::StartSystem() {
    // Cleared first, so that a datagram handled while events are let through below is refused.
    FSystemStarted = false;
    ++m_restartGeneration;
    applyAllowedSenders();
    m_listener->setActive(false);
    try {
        m_listener->setDefaultPort(portFromValue(m_operator->port()));
        m_listener->setActive(true);
    } catch (const std::exception& e) {
        WriteLog(std::string(portFailed) + e.what());
    }
    startLock();
}

void IntegrationCore::startLock() {
    FSystemStarted = false;
    m_restarts.started(steadyNow());
    if (!withLibrary([this] { m_lock.freeSystem(); }))
        return;
    const int index = m_operator->cardTypeIndex();
    const auto cardType = static_cast<std::int16_t>(index < 0 ? 3 : index + 4);
    std::int16_t result = 0;
    if (!withLibrary([&] { result = m_lock.initializeSystem(cardType); }))
        return;
    if (result != 0) {
        WriteLog(std::string(refused) + std::to_string(result));
        withLibrary([this] { m_lock.beepFailure(); });
        return;
    }
    if (pump)
        pump();

    const std::string code = joined(m_operator->authCodeParts());
    if (code.size() != lock::AuthCode{}.size()) {
        WriteLog(badAuthCode);
        withLibrary([this] { m_lock.beepFailure(); });
        return;
    }
    lock::AuthCode codeBytes{};
    std::copy(code.begin(), code.end(), codeBytes.begin());
    lock::SectorArguments arguments{};
    const auto sectors = m_operator->sectors();
    std::copy(sectors.begin(), sectors.end(), arguments.begin());
    if (!withLibrary([&] { result = m_lock.setAuthCode(codeBytes, arguments); }))
        return;
    if (result != 0) {
        WriteLog(std::string(refused) + std::to_string(result));
        withLibrary([this] { m_lock.beepFailure(); });
        return;
    }
    if (!withLibrary([this] { m_lock.beepOk(); }))
        return;
    FSystemStarted = true;
    WriteLog(started);
}

template <typename Call> bool IntegrationCore::withLibrary(Call&& call) {
    try {
        call();
        return true;
    } catch (const lock::LibraryFailure& failure) {
        libraryFailed(failure);
        return false;
    }
}

void IntegrationCore::libraryFailed(const lock::LibraryFailure& failure) {
    FSystemStarted = false;
    m_lastFailure = failure.kind();
    const unsigned generation = ++m_restartGeneration;
    switch (failure.kind()) {
    case lock::LibraryFailure::Kind::NoAnswer:
        WriteLog(libraryNoAnswer);
        break;
    case lock::LibraryFailure::Kind::Stopped:
        WriteLog(std::string(libraryStopped) + failure.detail());
        break;
    case lock::LibraryFailure::Kind::NotStarted:
        WriteLog(failure.detail());
        break;
    case lock::LibraryFailure::Kind::Interrupted:
        return; // the program is ending
    }
    if (!schedule)
        return;
    const auto wait = m_restarts.afterFailure(steadyNow());
    if (wait > RestartSchedule::Clock::duration::zero()) {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(wait).count();
        WriteLog(std::string(libraryRestartLater) + std::to_string(seconds) + " sn");
    }
    schedule(std::chrono::ceil<std::chrono::milliseconds>(wait),
             [this, generation] { restartLock(generation); });
}

void IntegrationCore::restartLock(unsigned generation) {
    // A start since the failure, or a later failure with a restart of its own, makes this one
    // needless.
    if (generation != m_restartGeneration)
        return;
    WriteLog(libraryRestarting);
    startLock();
}

void IntegrationCore::WMDeferredStart() {
    const std::string code = joined(m_operator->authCodeParts());
    const auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const auto begin = std::find_if_not(code.begin(), code.end(), isControl);
    const auto end = std::find_if_not(code.rbegin(), code.rend(), isControl).base();
    if (begin < end && m_operator->port() > 0)
        StartSystem();
    if (pump)
        pump();
    if (m_operator->hideAtStartup() && hideWindow)
        hideWindow();
}

void IntegrationCore::FormClose() {
    m_listener->setActive(false);
}

void IntegrationCore::OdaTanim_RxAfterPost() {
    if (FRoomsLoaded && saveRooms)
        saveRooms();
}

void IntegrationCore::OdaTanim_RxAfterDelete() {
    if (FRoomsLoaded && saveRooms)
        saveRooms();
}

} // namespace zorva::app
