#pragma once

// The datagrams of a flood: valid check-ins, each for its own stay so that every request can
// be told apart, mixed with bad dates, unknown rooms, empty, binary and oversized datagrams.

#include <cstddef>
#include <optional>
#include <random>
#include <string>

namespace e2e {

// Every room of the table the flood runs against, 1,749 of them, as the room file holds them.
inline constexpr int floodRoomCount = 1749;
std::string floodRoomFile();

struct FloodDatagram {
    std::string bytes;
    // The journal line of the guest card request that a valid check-in gives.
    std::optional<std::string> request;
    bool unknownRoom = false;
};

class FloodMix {
public:
    static constexpr std::size_t cycle = 50; // the last datagram of every cycle is valid

    explicit FloodMix(unsigned seed) : m_random(seed) {}
    FloodDatagram next();
    // A valid check-in for a stay of its own, padded with a field of no name to padTo bytes.
    FloodDatagram validCheckin(std::size_t padTo = 0);

private:
    std::mt19937 m_random;
    std::size_t m_index = 0;
    std::size_t m_stay = 0;
};

} // namespace e2e
