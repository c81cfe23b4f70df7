#include "ui/spin_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <limits>

namespace zorva::ui {

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent) {
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setValue(0);
    setAccelerated(false);
    setKeyboardTracking(true);
}

int SpinEdit::currentValue() const {
    bool ok = false;
    const int value = lineEdit()->text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

void SpinEdit::setCurrentValue(int value) {
    setValue(value);
    lineEdit()->setText(QString::number(value));
}

QString SpinEdit::text() const {
    return lineEdit()->text();
}

void SpinEdit::setText(const QString& text) {
    lineEdit()->setText(text);
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
    const bool accepted =
        !printable || (typed.size() == 1 && typed.at(0) >= u'0' && typed.at(0) <= u'9');
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!accepted || enter) {
        if (!accepted)
            QApplication::beep();
        event->ignore();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

// Any text is allowed to stand: an empty or unreadable one reads as 0 without being replaced.
QValidator::State SpinEdit::validate(QString&, int&) const {
    return QValidator::Acceptable;
}

void SpinEdit::fixup(QString&) const {}

} // namespace zorva::ui
