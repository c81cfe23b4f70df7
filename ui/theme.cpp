#include "ui/theme.h"

#include <QFontDatabase>
#include <QStringList>

namespace zorva::ui {

QFont windowFont(bool bold) {
    // Narrow faces first: the captions were laid out for Tahoma's widths.
    const QStringList installed = QFontDatabase::families();
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    for (const char* family : {"Tahoma", "Liberation Sans Narrow", "Liberation Sans",
                               "DejaVu Sans Condensed", "DejaVu Sans"}) {
        if (installed.contains(QString::fromLatin1(family))) {
            font.setFamily(QString::fromLatin1(family));
            break;
        }
    }
    font.setPointSize(8);
    font.setBold(bold);
    return font;
}

QString themeStyleSheet() {
    // The tab bar is 21 pixels high whatever the face, and the pane's frame 4 pixels wide
    // around each page, so that a page is the 701 by 443 client area its controls were laid
    // out for and they fill it to the frame.
    return QStringLiteral(R"(
QWidget#AnaF { background: white; }
QTabWidget::pane {
    border: 1px solid #6f95c9; padding: 3px; background: #e3ecf9; top: -1px;
}
QTabBar::tab {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #eaf1fb, stop:1 #c9daf2);
    border: 1px solid #6f95c9; border-bottom: none; padding: 3px 14px; margin-right: 2px;
    height: 14px; color: #1d3d6e;
}
QTabBar::tab:selected { background: #e3ecf9; color: #0b3a82; }
QLabel { color: #212121; }
QLineEdit { background: white; color: black; border: 1px solid #8eaee0; border-radius: 2px; }
QLineEdit:focus { border: 1px solid #2f6fd0; }
QGroupBox {
    border: 1px solid #8eaee0; border-radius: 3px; margin-top: 14px; color: #0b3a82;
}
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 4px; }
QPushButton, QToolButton {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f3f7fd, stop:1 #cfdff5);
    border: 1px solid #6f95c9; border-radius: 3px; color: #0b3a82;
}
QPushButton:hover, QToolButton:hover { background: #dce9fb; }
QPushButton:pressed, QToolButton:pressed { background: #b9d0f1; }
QToolButton:disabled { color: #9aa9be; background: #eef2f8; border-color: #c3d0e3; }
QHeaderView::section {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #eef4fc, stop:1 #cfdff5);
    border: 1px solid #9bb7e0; color: #0b3a82; padding: 2px;
}
QTableView { gridline-color: #c3d4ee; selection-background-color: #2f6fd0; }
QCheckBox { color: #212121; }
)");
}

} // namespace zorva::ui
