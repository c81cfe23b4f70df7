#pragma once

#include <QPlainTextEdit>

#include <cstddef>

namespace zorva::ui {

// The live log: each new line goes on top; the oldest lines go once there are too many.
class LogMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogMemo(QWidget* parent = nullptr);

    // Puts the line on top and removes the given number of lines from the bottom.
    void insertTopLine(const QString& line, std::size_t dropOldest);
    QStringList lines() const;
};

} // namespace zorva::ui
