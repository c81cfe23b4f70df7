#include "platform/protocol_streams.h"

#include <algorithm>

namespace zorva::platform {

bool ProtocolStreams::read(std::span<std::uint8_t> buffer) {
    while (!buffer.empty()) {
        if (m_begin == m_end) {
            m_begin = 0;
            m_end = readSome(m_buffer);
            if (m_end == 0)
                return false;
        }
        const std::size_t n = std::min(buffer.size(), m_end - m_begin);
        std::copy_n(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_begin), n, buffer.begin());
        m_begin += n;
        buffer = buffer.subspan(n);
    }
    return true;
}

} // namespace zorva::platform
