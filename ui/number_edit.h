#pragma once

#include <QDoubleSpinBox>

namespace zorva::ui {

// A number shown and edited without decimals and without a thousands separator, no limits.
class NumberEdit : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget* parent = nullptr);

protected:
    QString textFromValue(double value) const override;
};

} // namespace zorva::ui
