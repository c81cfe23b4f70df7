#include "ui/number_edit.h"

namespace zorva::ui {

NumberEdit::NumberEdit(QWidget* parent) : QDoubleSpinBox(parent) {
    setDecimals(0);
    // No limit in practice; a value too large for a port simply fails to bind.
    setRange(-1e15, 1e15);
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setGroupSeparatorShown(false);
}

QString NumberEdit::textFromValue(double value) const {
    return QString::number(value, 'f', 0);
}

} // namespace zorva::ui
