#include "ui/memo_log.h"

#include "app/log.h"

#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <utility>

namespace zorva::ui {

LogMemo::LogMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    setUndoRedoEnabled(false);
    // The log sits in the tab order before "Uygula"; a keyboard user could not get past it
    // if it took Tab as text.
    setTabChangesFocus(true);

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(coalescingMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &LogMemo::flush);
}

void LogMemo::insertTopLine(const QString& line, std::size_t dropOldest) {
    // A line that would be dropped before it is shown is dropped at once, together with one of
    // the drops it would have taken part in, so that a flood waits here in bounded memory.
    if (static_cast<std::size_t>(m_pending.size()) >= app::Log::maxLines) {
        m_pending.removeFirst();
        if (m_pendingDrops > 0)
            --m_pendingDrops;
    }
    m_pending.append(line);
    m_pendingDrops += dropOldest;
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void LogMemo::flush() {
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    QTextDocument* doc = document();
    std::reverse(m_pending.begin(), m_pending.end());
    QString text = m_pending.join(QChar(u'\n'));
    if (!doc->isEmpty())
        text += QChar(u'\n');
    const std::size_t drops = std::exchange(m_pendingDrops, 0);
    m_pending.clear();

    QTextCursor cursor(doc);
    cursor.insertText(text);
    // Two edits, not one block of them: the layout then redoes only the lines each touched,
    // and, undo being off, the document gives back the text it removed after each. The
    // newest line always stays, whatever the operator has typed into the log.
    const std::size_t lines = static_cast<std::size_t>(doc->blockCount());
    const std::size_t remove = std::min(drops, lines - 1);
    if (remove == 0)
        return;
    // From the end of the block before the first one dropped to the end of the text, so that
    // no empty line stays behind.
    QTextBlock first = doc->lastBlock();
    for (std::size_t i = 1; i < remove; ++i)
        first = first.previous();
    QTextCursor tail(doc);
    tail.setPosition(first.position() - 1);
    tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    tail.removeSelectedText();
}

QStringList LogMemo::lines() {
    flush();
    if (document()->isEmpty())
        return {};
    return toPlainText().split(QChar(u'\n'));
}

} // namespace zorva::ui
