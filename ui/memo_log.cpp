#include "ui/memo_log.h"

#include <QTextBlock>
#include <QTextCursor>

namespace zorva::ui {

LogMemo::LogMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    setUndoRedoEnabled(false);
}

void LogMemo::insertTopLine(const QString& line, std::size_t dropOldest) {
    QTextDocument* doc = document();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    if (doc->isEmpty()) {
        cursor.insertText(line);
    } else {
        cursor.insertText(line + QChar(u'\n'));
    }
    if (dropOldest > 0) {
        // From the end of the block before the first one dropped to the end of the text, so that
        // no empty line stays behind.
        // The new line on top always stays, whatever the operator has typed into the log.
        QTextBlock first = doc->lastBlock();
        for (std::size_t i = 1; i < dropOldest && first.previous() != doc->firstBlock(); ++i)
            first = first.previous();
        if (first != doc->firstBlock()) {
            QTextCursor tail(doc);
            tail.setPosition(first.position() - 1);
            tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            tail.removeSelectedText();
        }
    }
    // With undo off the document gives back the text it removed once the edit ends.
    cursor.endEditBlock();
}

QStringList LogMemo::lines() const {
    if (document()->isEmpty())
        return {};
    return toPlainText().split(QChar(u'\n'));
}

} // namespace zorva::ui
