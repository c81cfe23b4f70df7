#pragma once

#include "app/card_record.h"
#include "app/log.h"
#include "app/operator_settings.h"
#include "app/restart_schedule.h"
#include "app/sender_filter.h"
#include "lock/library_failure.h"
#include "lock/lock_library.h"
#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/format_settings.h"
#include "rooms/memory_data_set.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zorva::app {

// The main window's logic without the window: check-ins become guest card requests, and every
// outcome is a log line and a beep of the encoder.
class IntegrationCore {
public:
    IntegrationCore(lock::LockLibrary& lock, rooms::MemoryDataSet& OdaTanim_Rx, Log& log,
                    platform::FormatSettings settings, platform::Clock clock = platform::localNow);

    bool FSystemStarted = false;
    bool FRoomsLoaded = false;

    // One datagram from the listener, with its sender's address and port. A datagram from a
    // sender that is not allowed is not read at all. A check-in or check-out that does not
    // convert is logged and gets no card; a datagram that names none of the fields is not a
    // check-in and is dropped without a word.
    void IdUDPServer1UDPRead(std::string_view data, const std::string& senderAddress = {},
                             int senderPort = 0);

    // Every check-in that gets as far as its room name goes into the card record, with what came
    // of it.
    void IssueCardForRoom(const std::string& roomName, platform::DateTime checkIn,
                          platform::DateTime checkOut, const std::string& senderAddress = {},
                          int senderPort = 0);

    // Leaves the room table on the room's record and gives its room number, or logs the name
    // as undefined, gives the failure beep and gives nothing. The empty name is never defined.
    std::optional<std::int32_t> FindRoomNo(const std::string& roomName);

    // The listener lost datagrams in a burst: its queue was full, or the system dropped them.
    void datagramsLost(std::uint64_t count);

    // The message is UTF-8; the line is stamped with the current date and time.
    void WriteLog(std::string_view message);

    // Opens the port and starts the encoder with what the operator has set now.
    void StartSystem();
    // The start shortly after the program starts, once the stored settings are in place.
    void WMDeferredStart();
    void MvBitBtn1Click() { StartSystem(); }
    void FormClose();
    void OdaTanim_RxAfterPost();
    void OdaTanim_RxAfterDelete();

    // The window's part, wired once at start: the operator's values, the listener, letting
    // pending events through, hiding the window, and writing the room file.
    void attach(const OperatorSettings& operatorSettings, Listener& listener);
    std::function<void()> pump;
    std::function<void()> hideWindow;
    std::function<void()> saveRooms;
    // Runs fn once after the delay, on this thread, from the event loop: how the lock system is
    // started again after its library failed. Without it, only the next StartSystem does.
    std::function<void(std::chrono::milliseconds delay, std::function<void()> fn)> schedule;
    std::function<RestartSchedule::Clock::time_point()> steadyNow = RestartSchedule::Clock::now;
    // Where the cards asked for are recorded; without it, nowhere.
    void recordCardsIn(CardRecord& record) { m_record = &record; }

    const platform::FormatSettings& formatSettings() const { return m_settings; }

private:
    // Takes the operator's list of allowed senders, or, when it does not read, nobody's.
    void applyAllowedSenders();
    // Tells of a sender that is not allowed, once a minute at most for each.
    void senderRefused(const std::string& address);

    // Runs one call into the library; false, once the failure is handled, when it did not
    // come back.
    template <typename Call> bool withLibrary(Call&& call);
    void libraryFailed(const lock::LibraryFailure& failure);
    // The card for the entry's room, filling in what was sent and what came back; gives the
    // outcome in a word or two.
    std::string issueCard(CardRecordEntry& entry, platform::DateTime checkIn,
                          platform::DateTime checkOut);
    std::string failedCallOutcome() const;
    // Appends the entry to the record, and tells of a record that cannot be written once until
    // it can be again.
    void recordCard(const CardRecordEntry& entry);
    // The lock steps of StartSystem, without the port.
    void startLock();
    void restartLock(unsigned generation);

    lock::LockLibrary& m_lock;
    rooms::MemoryDataSet& m_rooms;
    Log& m_log;
    platform::FormatSettings m_settings;
    platform::Clock m_clock;
    const OperatorSettings* m_operator = nullptr;
    Listener* m_listener = nullptr;
    RestartSchedule m_restarts;
    SenderFilter m_senders;
    std::unordered_map<std::string, RestartSchedule::Clock::time_point> m_refusedSenders;
    // Counts starts and failures, so that a restart still waiting knows it is no longer needed.
    unsigned m_restartGeneration = 0;
    lock::LibraryFailure::Kind m_lastFailure = lock::LibraryFailure::Kind::Stopped;
    CardRecord* m_record = nullptr;
    bool m_recordFailing = false;
};

// The listener port for an operator's value: the nearest integer, halves to even, held to
// the 32-bit range so that a value too large for it fails to bind instead of wrapping around
// onto another port.
std::int32_t portFromValue(double value);

// The guest card request for a door and a stay, with its constant buffers filled in.
lock::GuestCardRequest makeGuestCardRequest(const std::array<std::uint8_t, 4>& lockAddress,
                                            platform::DateTime checkIn,
                                            platform::DateTime checkOut);

} // namespace zorva::app
