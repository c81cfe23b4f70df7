#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace zorva::app {

// The operator's log, newest line first, in memory only. Any sender on the network can add a
// line per datagram, so the log keeps only the newest lines, at most maxLines of them and at
// most maxBytes of text, or it would let a sender grow the program's memory without end.
class Log {
public:
    static constexpr std::size_t maxLines = 10'000;
    static constexpr std::size_t maxBytes = 2 * 1024 * 1024;

    void insertTop(std::string utf8Line);
    const std::deque<std::string>& lines() const { return m_lines; }
    std::size_t bytes() const { return m_bytes; }
    void clear();

    // Told of each new line, and of how many of the oldest lines were dropped to make room
    // for it.
    std::function<void(const std::string& line, std::size_t droppedOldest)> onLineAdded;
    // Told of each new line too: a copy for those who read the program's output rather than
    // its window (a terminal, a desktop session's journal, a service manager). It is told at
    // once of the lines already there, oldest first.
    using Mirror = std::function<void(const std::string& line)>;
    void setMirror(Mirror mirror);

private:
    Mirror m_mirror;
    std::deque<std::string> m_lines;
    std::size_t m_bytes = 0;
};

// Received text as it goes into a log line: its first maxLoggedChars characters, and "..."
// when there were more. A room name holds no more than that, so nothing useful is cut.
inline constexpr std::size_t maxLoggedChars = 100;
std::string loggedText(std::string_view ansi);

} // namespace zorva::app
