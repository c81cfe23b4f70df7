#pragma once

#include <QSpinBox>

namespace zorva::ui {

// A whole-number edit with up and down buttons and no limits. Only digits and control keys can
// be typed (other keys beep); the buttons, arrow keys and wheel step by one. Empty or
// unreadable text reads as 0.
class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget* parent = nullptr);

    // The value of the text as it stands now, whatever the operator is typing.
    int currentValue() const;
    void setCurrentValue(int value);
    QString text() const;
    void setText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

} // namespace zorva::ui
