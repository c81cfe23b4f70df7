#include "platform/protocol_streams.h"

#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zorva::platform {

namespace {

// Kept from programs that the library may start.
int keep(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (copy < 0)
        throw Error(std::string("Cannot take over the standard streams: ") + std::strerror(errno));
    return copy;
}

} // namespace

ProtocolStreams ProtocolStreams::takeOver() {
    const int in = keep(0);
    const int out = keep(1);
    ::dup2(2, 1);
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing >= 0) {
        ::dup2(nothing, 0);
        ::close(nothing);
    }
    return ProtocolStreams(in, out);
}

std::size_t ProtocolStreams::readSome(std::span<std::uint8_t> into) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_in), into.data(), into.size());
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

bool ProtocolStreams::write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(static_cast<int>(m_out), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace zorva::platform
