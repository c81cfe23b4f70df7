#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace zorva::app {

// The operator's log, newest line first, in memory only. It keeps the newest maxLines lines:
// any sender on the network can add a line per datagram, so an unbounded log would let it
// grow the program's memory without end.
class Log {
public:
    static constexpr std::size_t maxLines = 10'000;

    void insertTop(std::string utf8Line);
    const std::deque<std::string>& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

    // Told of each new line, and whether the oldest line was dropped to make room for it.
    std::function<void(const std::string& line, bool droppedOldest)> onLineAdded;

private:
    std::deque<std::string> m_lines;
};

} // namespace zorva::app
