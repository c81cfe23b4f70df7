#include "app/log.h"

#include "platform/ansi_text.h"

#include <utility>

namespace zorva::app {

void Log::insertTop(std::string utf8Line) {
    m_bytes += utf8Line.size();
    m_lines.push_front(std::move(utf8Line));
    // The newest line always stays, however long it is.
    std::size_t dropped = 0;
    while (m_lines.size() > 1 && (m_lines.size() > maxLines || m_bytes > maxBytes)) {
        m_bytes -= m_lines.back().size();
        m_lines.pop_back();
        ++dropped;
    }
    if (onLineAdded)
        onLineAdded(m_lines.front(), dropped);
    if (m_mirror)
        m_mirror(m_lines.front());
}

void Log::setMirror(Mirror mirror) {
    m_mirror = std::move(mirror);
    if (m_mirror)
        for (auto line = m_lines.rbegin(); line != m_lines.rend(); ++line)
            m_mirror(*line);
}

void Log::clear() {
    m_lines.clear();
    m_bytes = 0;
}

std::string loggedText(std::string_view ansi) {
    if (ansi.size() <= maxLoggedChars)
        return platform::ansiToUtf8(ansi);
    return platform::ansiToUtf8(ansi.substr(0, maxLoggedChars)) + "...";
}

} // namespace zorva::app
