#include "flood_mix.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <string_view>

namespace e2e {

namespace {

std::array<int, 4> roomAddress(int room) {
    return {1 + room % 3, 1 + room / 400, 1 + (room / 20) % 20, room % 250};
}

std::string roomName(int room) {
    return "R" + std::to_string(room);
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

struct Stamp {
    std::string text; // as the Turkish regional settings write it
    std::string card; // yyyyMMddHHmm
};

Stamp stampAt(std::chrono::minutes sinceStart) {
    using namespace std::chrono;
    const sys_time<minutes> t = sys_days(year(2025) / 1 / 1) + sinceStart;
    const year_month_day day(floor<days>(t));
    const hh_mm_ss time(t - floor<days>(t));
    char text[32], card[16];
    std::snprintf(text, sizeof text, "%02u.%02u.%04d %02d:%02d", unsigned(day.day()),
                  unsigned(day.month()), int(day.year()), int(time.hours().count()),
                  int(time.minutes().count()));
    std::snprintf(card, sizeof card, "%04d%02u%02u%02d%02d", int(day.year()), unsigned(day.month()),
                  unsigned(day.day()), int(time.hours().count()), int(time.minutes().count()));
    return {text, card};
}

} // namespace

std::string floodRoomFile() {
    std::string file;
    for (int room = 1; room <= floodRoomCount; ++room) {
        const auto a = roomAddress(room);
        file += "[RecNo" + std::to_string(room) + "]\r\nALAN=" + std::to_string(a[0]) +
                "\r\nBINA=" + std::to_string(a[1]) + "\r\nKAT=" + std::to_string(a[2]) +
                "\r\nODA=" + std::to_string(a[3]) + "\r\nODA_STR=" + roomName(room) + "\r\n";
    }
    return file;
}

FloodDatagram FloodMix::validCheckin(std::size_t padTo) {
    const std::size_t stay = m_stay++;
    // The last room of the table comes up often: its lookup is the longest.
    const int room = stay % 3 == 0 ? floodRoomCount : 1 + static_cast<int>(stay % floodRoomCount);
    const Stamp in = stampAt(std::chrono::minutes(7 * stay));
    const Stamp out = stampAt(std::chrono::minutes(7 * stay + 2 * 24 * 60 + 11));
    FloodDatagram d;
    d.bytes = "CIN=" + in.text + "^COUT=" + out.text + "^ODA=" + roomName(room);
    if (padTo > d.bytes.size() + 3)
        d.bytes += "^X=" + std::string(padTo - d.bytes.size() - 3, 'p');
    std::string address;
    for (int part : roomAddress(room))
        address += static_cast<char>(part);
    d.request = "LV4_IssueGuestCard " + hex(address) + " 0000000000000000 0000 000000 " +
                hex(in.card) + " " + hex(out.card) +
                " 0100000000001000000000 00000000000000 0 -> 0";
    return d;
}

FloodDatagram FloodMix::next() {
    // Every second datagram is a valid check-in, so the last of a cycle is one; the others, in
    // a fixed order: B bad date, U unknown room, E empty, X binary, O oversized, P a valid
    // check-in of exactly the largest size that is delivered.
    static constexpr std::string_view others = "BUEBXUBOUEBPUXBUEBUXOBUEX";
    static_assert(others.size() * 2 == cycle);
    const std::size_t position = m_index % cycle;
    const std::size_t round = m_index / cycle;
    ++m_index;
    if (position % 2 == 1)
        return validCheckin();
    FloodDatagram d;
    switch (others[position / 2]) {
    case 'P':
        return validCheckin(8192);
    case 'B': {
        static const char* const badDates[] = {
            "CIN=31.02.2025 14:00^COUT=02.03.2025 12:00^ODA=R1",
            "CIN=29.07.2025 24:00^COUT=31.07.2025 12:00^ODA=R1",
            "COUT=31.07.2025 12:00^ODA=R1",
            "CIN =29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=R1",
            "CIN=29.07.2025 14:00^COUT=yar\xfdn^ODA=R1",
            "CIN=^COUT=^ODA=R1",
            "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00",
        };
        d.bytes = badDates[(round + position) % 7];
        if (d.bytes.find("ODA=") == std::string::npos)
            d.unknownRoom = true; // no ODA field names the empty room
        return d;
    }
    case 'U':
        d.bytes = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=nowhere" + std::to_string(round);
        d.unknownRoom = true;
        return d;
    case 'E':
        return d;
    case 'X': {
        // Any byte but a line break, so that the datagram is one line of a list too.
        std::uniform_int_distribution<int> length(1, 300), byte(0, 255);
        for (int i = length(m_random); i > 0; --i) {
            const char c = static_cast<char>(byte(m_random));
            d.bytes += c == '\n' || c == '\r' ? '\0' : c;
        }
        return d;
    }
    default: {
        std::uniform_int_distribution<std::size_t> extra(0, 900);
        d.bytes = std::string(8193 + extra(m_random), 'O');
        return d;
    }
    }
}

} // namespace e2e
