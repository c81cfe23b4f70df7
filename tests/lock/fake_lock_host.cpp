// Stands in for zorva-lock-host in the tests of the bridge's side: speaks the framing, wrongly
// in the way FAKE_LOCK_HOST says, so that every way a host can fail the bridge is seen.
//   ready           answers every call with result 100 + its call number
//   wrong-call      answers with another call than asked
//   wrong-sequence  answers with another sequence number than asked
//   garbage         answers seven bytes that are no answer
//   split           answers a byte at a time
//   silent          never answers a call
//   ends-mid        writes part of an answer and ends with exit code 7
//   not-the-protocol, old-version, no-library   the first exchange goes wrong so
//   ends-at-once    ends with exit code 4 before the first exchange
// Each start appends a line to the file FAKE_LOCK_HOST_STARTS names, if any.

#include "lock/host_protocol.h"
#include "platform/protocol_streams.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace zorva;
namespace protocol = zorva::lock::protocol;

int main() {
    const char* modeText = std::getenv("FAKE_LOCK_HOST");
    const std::string mode = modeText ? modeText : "ready";
    if (const char* starts = std::getenv("FAKE_LOCK_HOST_STARTS"))
        if (std::FILE* f = std::fopen(starts, "ab")) {
            std::fputs("start\n", f);
            std::fclose(f);
        }
    if (mode == "ends-at-once")
        return 4;
    platform::ProtocolStreams io = platform::ProtocolStreams::takeOver();
    std::array<std::uint8_t, 4> hello{};
    if (!io.read(hello))
        return 3;
    if (mode == "not-the-protocol") {
        const std::string text = "LevelLock 2.0 ready\n";
        io.write(std::vector<std::uint8_t>(text.begin(), text.end()));
        return 0;
    }
    protocol::HelloAnswer answer;
    if (mode == "old-version")
        answer.version = 2;
    if (mode == "no-library") {
        answer.readiness = protocol::Readiness::LibraryNotLoaded;
        answer.text = "/x/libLevelLock.so: wrong ELF class: ELFCLASS32";
    }
    io.write(protocol::encode(answer));
    if (answer.readiness != protocol::Readiness::Ready)
        return 2;

    std::array<std::uint8_t, protocol::headerSize> header{};
    while (io.read(header)) {
        std::vector<std::uint8_t> payload(protocol::payloadSize(header[0]).value_or(0));
        io.read(payload);
        const auto request = protocol::decode(header, payload);
        if (!request)
            return 3;
        protocol::Answer a{request->call, request->sequence,
                           static_cast<std::int16_t>(100 + static_cast<int>(request->call))};
        if (mode == "wrong-call")
            a.call = request->call == protocol::Call::BeepOk ? protocol::Call::BeepFailure
                                                             : protocol::Call::BeepOk;
        if (mode == "wrong-sequence")
            a.sequence += 1;
        auto bytes = protocol::encode(a);
        if (mode == "garbage")
            bytes.fill(0xff);
        if (mode == "silent")
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(1));
        if (mode == "ends-mid") {
            io.write(std::span<const std::uint8_t>(bytes).first(3));
            return 7;
        }
        if (mode == "split") {
            for (std::uint8_t b : bytes) {
                io.write(std::span<const std::uint8_t>(&b, 1));
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            continue;
        }
        io.write(bytes);
    }
    return 0;
}
