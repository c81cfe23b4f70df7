#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace zorva::ui {

// Tahoma 8 point bold where it is installed, otherwise the closest sans-serif face.
QFont windowFont(bool bold = true);

// Our blue theme for the whole window, in place of the skin the original drew with.
QString themeStyleSheet();

} // namespace zorva::ui
