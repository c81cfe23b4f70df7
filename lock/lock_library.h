#pragma once

#include <array>
#include <cstdint>

namespace zorva::lock {

// The nine arguments of a guest card request; each array is exactly the buffer the encoder reads.
struct GuestCardRequest {
    std::array<std::uint8_t, 4> lockAddress{};
    std::array<std::uint8_t, 8> buffer2{};
    std::array<std::int16_t, 1> buffer3{};
    std::array<std::uint8_t, 3> buffer4{};
    std::array<std::uint8_t, 12> checkIn{};
    std::array<std::uint8_t, 12> checkOut{};
    std::array<std::uint8_t, 11> buffer7{};
    std::array<std::uint8_t, 7> buffer8{};
    std::int32_t flags = 0;

    bool operator==(const GuestCardRequest&) const = default;
};

using AuthCode = std::array<std::uint8_t, 16>;
using SectorArguments = std::array<std::int32_t, 14>;

// The encoder library's six calls, so that the integration core can be tested against a fake.
class LockLibrary {
public:
    virtual ~LockLibrary() = default;

    virtual std::int16_t initializeSystem(std::int16_t cardType) = 0;
    virtual std::int16_t setAuthCode(const AuthCode& code, const SectorArguments& sectors) = 0;
    virtual std::int16_t issueGuestCard(GuestCardRequest& request) = 0;
    virtual void freeSystem() = 0;
    virtual void beepOk() = 0;
    virtual void beepFailure() = 0;
};

} // namespace zorva::lock
