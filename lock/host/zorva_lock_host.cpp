// zorva-lock-host: loads the encoder library from its own folder and serves its six calls over
// standard input and output (lock/host_protocol.h). The vendor's code runs here and not in the
// bridge, so that a library that hangs or crashes costs one call, not the bridge; and on Windows
// this program can be 32-bit for a 32-bit library while the bridge is 64-bit.
//
// Exit codes: 0 the bridge closed our input, 2 the library is not usable (told in the first
// exchange), 3 the bridge spoke something other than the protocol.

#include "lock/LevelLock.h"
#include "lock/host_protocol.h"
#include "platform/error.h"
#include "platform/executable_path.h"
#include "platform/process_status.h"
#include "platform/protocol_streams.h"
#include "platform/shared_library.h"

#include <array>
#include <cstdio>
#include <vector>

namespace {

using namespace zorva;
namespace protocol = zorva::lock::protocol;
using protocol::Call;

// The six functions, typed by the header, looked up by their plain names.
struct Functions {
    decltype(&LV4_InitializeSystem) initializeSystem = nullptr;
    decltype(&LV4_SetAuthCode) setAuthCode = nullptr;
    decltype(&LV4_IssueGuestCard) issueGuestCard = nullptr;
    decltype(&LV4_FreeSystem) freeSystem = nullptr;
    decltype(&LV4_BeepOk) beepOk = nullptr;
    decltype(&LV4_BeepFailure) beepFailure = nullptr;
};

template <typename F>
bool find(const platform::SharedLibrary& library, Call call, F& into, protocol::HelloAnswer& hello,
          const std::string& path) {
    std::string reason;
    void* address = library.function(protocol::functionName(call), reason);
    if (!address) {
        hello.readiness = protocol::Readiness::FunctionMissing;
        hello.text = path + ": " + protocol::functionName(call) + ": " + reason;
        return false;
    }
    into = reinterpret_cast<F>(address);
    return true;
}

std::int16_t perform(const Functions& f, protocol::Request& r) {
    switch (r.call) {
    case Call::InitializeSystem:
        return f.initializeSystem(r.cardType);
    case Call::SetAuthCode: {
        const auto& s = r.sectors;
        return f.setAuthCode(r.authCode.data(), s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7],
                             s[8], s[9], s[10], s[11], s[12], s[13]);
    }
    case Call::IssueGuestCard: {
        auto& c = r.card;
        return f.issueGuestCard(c.lockAddress.data(), c.buffer2.data(), c.buffer3.data(),
                                c.buffer4.data(), c.checkIn.data(), c.checkOut.data(),
                                c.buffer7.data(), c.buffer8.data(), c.flags);
    }
    case Call::FreeSystem:
        return f.freeSystem();
    case Call::BeepOk:
        return f.beepOk();
    case Call::BeepFailure:
        return f.beepFailure();
    }
    return 0;
}

int serve() {
    // A library that crashes must end the host, for the bridge to see it and start another.
    platform::endAtOnceOnCrash();
    platform::ProtocolStreams io = platform::ProtocolStreams::takeOver();
    std::array<std::uint8_t, protocol::hello.size()> hello{};
    if (!io.read(hello) || hello != protocol::hello)
        return 3;

    const std::string path =
        platform::executableDirectory() + platform::sharedLibraryFileName("LevelLock");
    protocol::HelloAnswer answer;
    platform::SharedLibrary library;
    Functions f;
    try {
        library = platform::SharedLibrary::load(path);
    } catch (const std::exception& e) {
        answer.readiness = protocol::Readiness::LibraryNotLoaded;
        answer.text = e.what();
    }
    const bool ready = answer.readiness == protocol::Readiness::Ready &&
                       find(library, Call::InitializeSystem, f.initializeSystem, answer, path) &&
                       find(library, Call::SetAuthCode, f.setAuthCode, answer, path) &&
                       find(library, Call::IssueGuestCard, f.issueGuestCard, answer, path) &&
                       find(library, Call::FreeSystem, f.freeSystem, answer, path) &&
                       find(library, Call::BeepOk, f.beepOk, answer, path) &&
                       find(library, Call::BeepFailure, f.beepFailure, answer, path);
    if (!io.write(protocol::encode(answer)) || !ready)
        return ready ? 0 : 2;

    std::array<std::uint8_t, protocol::headerSize> header{};
    std::vector<std::uint8_t> payload;
    while (io.read(header)) {
        const auto size = protocol::payloadSize(header[0]);
        if (!size)
            return 3;
        payload.resize(*size);
        if (!io.read(payload))
            return 3;
        auto request = protocol::decode(header, payload);
        if (!request)
            return 3;
        const std::int16_t result = perform(f, *request);
        if (!io.write(protocol::encode(protocol::Answer{request->call, request->sequence, result})))
            return 0;
    }
    return 0;
}

} // namespace

int main() {
    try {
        return serve();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zorva-lock-host: %s\n", e.what());
        return 3;
    }
}
