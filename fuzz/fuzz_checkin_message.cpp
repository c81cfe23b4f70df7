// Datagrams as the read handler takes them: field splitting, both date conversions under
// several regional settings, the room lookup and the request bytes.

#include "app/checkin_message.h"
#include "app/integration_core.h"
#include "lock/lock_library.h"
#include "platform/date_text.h"
#include "platform/error.h"
#include "rooms/room_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace zorva;

// Checks what the core hands over instead of recording it.
class CheckingLock final : public lock::LockLibrary {
public:
    std::int16_t initializeSystem(std::int16_t) override { return 0; }
    std::int16_t setAuthCode(const lock::AuthCode&, const lock::SectorArguments&) override {
        return 0;
    }
    std::int16_t issueGuestCard(lock::GuestCardRequest& r) override {
        for (const auto& time : {r.checkIn, r.checkOut})
            for (std::uint8_t digit : time)
                if (digit < '0' || digit > '9') {
                    std::fprintf(stderr, "a card time holds a byte that is no digit\n");
                    std::abort();
                }
        return static_cast<std::int16_t>(r.lockAddress[3] % 2 ? -1 : 0);
    }
    void freeSystem() override {}
    void beepOk() override {}
    void beepFailure() override {}
};

platform::FormatSettings yearFirst() {
    platform::FormatSettings s;
    s.dateSeparator = '-';
    s.timeSeparator = '.';
    s.decimalSeparator = ',';
    s.shortDateFormat = "yyyy-MM-dd";
    s.longTimeFormat = "hh.nn.ss";
    s.timeAmString = "\xd6\xd6"; // ÖÖ in Windows-1254
    s.timePmString = "\xd6S";
    return s;
}

struct Fixture {
    Fixture() {
        rooms->open();
        const char* names[] = {"101", "Kule S\xfcit", "", " 7 ", "A=1"};
        int id = 0;
        for (const char* name : names) {
            rooms->append();
            rooms->field("ALAN").setAsInteger(id);
            rooms->field("BINA").setAsInteger(id * 60);
            rooms->field("KAT").setAsInteger(id == 3 ? 300 : id);
            rooms->field("ODA").setAsInteger(id == 4 ? -1 : id + 1);
            if (*name)
                rooms->field("ODA_STR").setAsString(name);
            rooms->post();
            ++id;
        }
        for (auto& core : cores)
            core->FSystemStarted = true;
    }

    CheckingLock lock;
    std::unique_ptr<rooms::MemoryDataSet> rooms = rooms::makeRoomTable();
    app::Log log;
    platform::DateTime now = platform::DateTime::fromMilliseconds(45'867LL * 86'400'000);
    std::unique_ptr<app::IntegrationCore> cores[3] = {
        std::make_unique<app::IntegrationCore>(
            lock, *rooms, log, platform::FormatSettings::turkish(), [this] { return now; }),
        std::make_unique<app::IntegrationCore>(
            lock, *rooms, log, platform::FormatSettings::unitedStates(), [this] { return now; }),
        std::make_unique<app::IntegrationCore>(lock, *rooms, log, yearFirst(),
                                               [this] { return now; })};
};

// Both forms of the conversion agree, and a value read is one the formatter can show.
void checkConversion(const std::string& text, const platform::FormatSettings& settings) {
    platform::DateTime value;
    const bool read = platform::tryStrToDateTime(text, settings, 2025, value);
    bool raised = false;
    try {
        platform::strToDateTime(text, settings, 2025);
    } catch (const platform::Error&) {
        raised = true;
    }
    if (read == raised) {
        std::fprintf(stderr, "the two conversions disagree\n");
        std::abort();
    }
    if (read) {
        const auto f = value.fields();
        if (f.year < 1 || f.year > 9999 || f.month < 1 || f.month > 12 || f.hour > 23)
            std::abort();
        platform::formatDateTime("yyyymmddhhnn", value, settings);
        platform::dateTimeToStr(value, settings);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    if (size == 0 || size > 8193)
        return 0;
    app::IntegrationCore& core = *fixture.cores[data[0] % 3];
    const std::string datagram(reinterpret_cast<const char*>(data) + 1, size - 1);
    core.IdUDPServer1UDPRead(datagram);
    const auto fields = app::splitMessageFields(datagram);
    for (const char* name : {"CIN", "COUT"})
        checkConversion(app::messageValue(fields, name), core.formatSettings());
    if (fixture.log.lines().size() > app::Log::maxLines ||
        fixture.log.bytes() > app::Log::maxBytes)
        std::abort();
    // Received text is cut before it is logged: a hundred characters of at most three bytes
    // each in UTF-8, beside the time stamp and the message's own words.
    if (!fixture.log.lines().empty() && fixture.log.lines().front().size() > 400)
        std::abort();
    return 0;
}
