#pragma once

#include "app/log.h"
#include "lock/lock_library.h"
#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/format_settings.h"
#include "rooms/memory_data_set.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorva::app {

// The main window's logic without the window: check-ins become guest card requests, and every
// outcome is a log line and a beep of the encoder.
class IntegrationCore {
public:
    IntegrationCore(lock::LockLibrary& lock, rooms::MemoryDataSet& OdaTanim_Rx, Log& log,
                    platform::FormatSettings settings, platform::Clock clock = platform::localNow);

    bool FSystemStarted = false;
    bool FRoomsLoaded = false;

    // One datagram from the listener. A check-in or check-out that does not convert raises.
    void IdUDPServer1UDPRead(std::string_view data);

    void IssueCardForRoom(const std::string& roomName, platform::DateTime checkIn,
                          platform::DateTime checkOut);

    // Leaves the room table on the room's record and gives its room number, or logs the name
    // as undefined, gives the failure beep and gives nothing.
    std::optional<std::int32_t> FindRoomNo(const std::string& roomName);

    // The message is UTF-8; the line is stamped with the current date and time.
    void WriteLog(std::string_view message);

    const platform::FormatSettings& formatSettings() const { return m_settings; }

private:
    lock::LockLibrary& m_lock;
    rooms::MemoryDataSet& m_rooms;
    Log& m_log;
    platform::FormatSettings m_settings;
    platform::Clock m_clock;
};

// The guest card request for a door and a stay, with its constant buffers filled in.
lock::GuestCardRequest makeGuestCardRequest(const std::array<std::uint8_t, 4>& lockAddress,
                                            platform::DateTime checkIn,
                                            platform::DateTime checkOut);

} // namespace zorva::app
