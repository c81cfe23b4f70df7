#include "app/log.h"

namespace zorva::app {

void Log::insertTop(std::string utf8Line) {
    m_lines.push_front(std::move(utf8Line));
    const bool dropped = m_lines.size() > maxLines;
    if (dropped)
        m_lines.pop_back();
    if (onLineAdded)
        onLineAdded(m_lines.front(), dropped);
}

} // namespace zorva::app
