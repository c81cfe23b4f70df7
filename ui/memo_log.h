#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

#include <cstddef>

namespace zorva::ui {

// The live log: each new line goes on top; the oldest lines go once there are too many. Lines
// that come in quick succession are put in together a moment later, so that a flood of them
// costs one edit and one repaint, not one each.
class LogMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int coalescingMs = 100;

    explicit LogMemo(QWidget* parent = nullptr);

    // Puts the line on top and removes the given number of lines from the bottom.
    void insertTopLine(const QString& line, std::size_t dropOldest);
    // Puts in at once what is waiting.
    void flush();
    // The lines, newest first, with what is waiting put in.
    QStringList lines();

private:
    QStringList m_pending; // oldest first
    std::size_t m_pendingDrops = 0;
    QTimer m_flushTimer;
};

} // namespace zorva::ui
