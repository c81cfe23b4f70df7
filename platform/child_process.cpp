#include "platform/child_process.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace zorva::platform {

ChildProcess::ChildProcess(std::unique_ptr<Native, NativeDeleter> native)
    : m_native(std::move(native)) {}

ChildProcess::ReadOutcome ChildProcess::read(std::span<std::uint8_t> buffer,
                                             std::chrono::milliseconds limit,
                                             WaitHandle interrupt) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::size_t count = std::min(m_carried.size(), buffer.size());
    std::copy_n(m_carried.begin(), count, buffer.begin());
    m_carried.erase(m_carried.begin(), m_carried.begin() + static_cast<std::ptrdiff_t>(count));
    while (count < buffer.size()) {
        const ReadOutcome outcome = readSome(buffer.subspan(count), deadline, interrupt, count);
        if (outcome == ReadOutcome::Closed) {
            m_carried.clear();
            return outcome;
        }
        if (outcome != ReadOutcome::Read) {
            m_carried.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
            return outcome;
        }
    }
    return ReadOutcome::Read;
}

} // namespace zorva::platform
