#pragma once

#include <QPlainTextEdit>

namespace zorva::ui {

// The live log: each new line goes on top; the oldest lines go once there are too many.
class LogMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogMemo(QWidget* parent = nullptr);

    void insertTopLine(const QString& line, bool dropOldest);
    QStringList lines() const;
};

} // namespace zorva::ui
