#pragma once

// The framing between the bridge and zorva-lock-host, the process that loads the encoder
// library. The bridge writes requests to the host's standard input; the host writes answers to
// its standard output, one answer for each request, in order. Every integer is little-endian
// whatever the machine, so that an x86_64 bridge and an i686 host agree.
//
// First exchange, once, before any call:
//   bridge -> host   4 bytes   'Z' 'L' 'H' and the protocol version (1)
//   host -> bridge   4 bytes   'Z' 'L' 'H' and the version the host speaks
//                    1 byte    0: the library and its six functions are ready
//                              1: the library could not be loaded
//                              2: the library lacks one of the six functions
//                    2 bytes   the length of a text, then that many bytes of UTF-8: empty when
//                              ready, otherwise the library's path and the system's reason
//   A host that is not ready ends after its answer.
//
// A request: the call (1 byte), a sequence number (4 bytes) and then exactly the bytes that call
// carries; its size is fixed by the call:
//   1 LV4_InitializeSystem   the card type (2)                                         7 bytes
//   2 LV4_SetAuthCode        the code (16), the 14 integers (4 each)                  77 bytes
//   3 LV4_IssueGuestCard     the eight buffers (4, 8, 2, 3, 12, 12, 11, 7), the flags (4)  68 bytes
//   4 LV4_FreeSystem, 5 LV4_BeepOk, 6 LV4_BeepFailure   nothing                          5 bytes
// The 16-bit integer of the third buffer travels little-endian, as the library reads it on x86.
//
// An answer: the call and the sequence number of the request it answers, then the call's 16-bit
// result: 7 bytes. A host that reads anything else than a request ends without an answer; a
// host whose input ends (the bridge has gone) ends too.

#include "lock/lock_library.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zorva::lock::protocol {

inline constexpr std::uint8_t version = 1;
inline constexpr std::array<std::uint8_t, 4> hello{'Z', 'L', 'H', version};
inline constexpr std::size_t helloAnswerSize = 7; // before its text

enum class Call : std::uint8_t {
    InitializeSystem = 1,
    SetAuthCode = 2,
    IssueGuestCard = 3,
    FreeSystem = 4,
    BeepOk = 5,
    BeepFailure = 6,
};

// The function's own name, as the library exports it.
const char* functionName(Call call);

enum class Readiness : std::uint8_t { Ready = 0, LibraryNotLoaded = 1, FunctionMissing = 2 };

inline constexpr std::size_t headerSize = 5;
inline constexpr std::size_t answerSize = 7;

// The bytes a call carries after its header, or nothing for a byte that names no call.
std::optional<std::size_t> payloadSize(std::uint8_t call);

// What the host hears: one call with its arguments.
struct Request {
    Call call = Call::FreeSystem;
    std::uint32_t sequence = 0;
    std::int16_t cardType = 0;
    AuthCode authCode{};
    SectorArguments sectors{};
    GuestCardRequest card{};
};

std::vector<std::uint8_t> encode(const Request& request);
// The header names the call; the payload is exactly its bytes. Nothing when the header names
// no call or the payload has another size.
std::optional<Request> decode(std::span<const std::uint8_t, headerSize> header,
                              std::span<const std::uint8_t> payload);

struct Answer {
    Call call = Call::FreeSystem;
    std::uint32_t sequence = 0;
    std::int16_t result = 0;
};

std::array<std::uint8_t, answerSize> encode(const Answer& answer);
// Nothing when the bytes name no call.
std::optional<Answer> decodeAnswer(std::span<const std::uint8_t, answerSize> bytes);

struct HelloAnswer {
    std::uint8_t version = protocol::version;
    Readiness readiness = Readiness::Ready;
    std::string text; // UTF-8
};

std::vector<std::uint8_t> encode(const HelloAnswer& answer);
// The first 7 bytes: nothing when they do not begin with "ZLH"; the text's length is left in
// textLength, its bytes follow.
std::optional<HelloAnswer> decodeHelloAnswer(std::span<const std::uint8_t, helloAnswerSize> bytes,
                                             std::size_t& textLength);

} // namespace zorva::lock::protocol
