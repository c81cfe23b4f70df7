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
    // The log sits in the tab order before "Uygula"; a keyboard user could not get past it
    // if it took Tab as text.
    setTabChangesFocus(true);
}

void LogMemo::insertTopLine(const QString& line, bool dropOldest) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    if (document()->isEmpty()) {
        cursor.insertText(line);
    } else {
        cursor.insertText(line + QChar(u'\n'));
    }
    if (dropOldest) {
        QTextCursor last(document()->lastBlock());
        last.select(QTextCursor::BlockUnderCursor);
        last.removeSelectedText();
    }
}

QStringList LogMemo::lines() const {
    if (document()->isEmpty())
        return {};
    return toPlainText().split(QChar(u'\n'));
}

} // namespace zorva::ui
