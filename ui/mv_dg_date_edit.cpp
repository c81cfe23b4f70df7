#include "ui/mv_dg_date_edit.h"

#include "platform/ansi_text.h"
#include "platform/date_time.h"
#include "rooms/field.h"
#include "ui/data_set_model.h"
#include "ui/error_box.h"
#include "ui/mvrx_db_grid.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace zorva::ui {

namespace {

QIcon calendarGlyph() {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QColor blue(0x1f, 0x5f, 0xc8);
    p.setPen(blue);
    p.drawRect(1, 2, 11, 10);
    p.fillRect(1, 2, 12, 3, blue);
    for (int y : {7, 10})
        for (int x : {3, 6, 9})
            p.fillRect(x, y, 2, 1, blue);
    return QIcon(pixmap);
}

bool isTab(const QKeyEvent* key) {
    return (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

TMvDGDateEdit::TMvDGDateEdit(QWidget* parent) : QLineEdit(parent) {
    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setGridVisible(true);
    layout->addWidget(m_calendar);
    connect(m_calendar, &QCalendarWidget::activated, this, [this] { closeCalendar(true); });
    connect(m_calendar, &QCalendarWidget::clicked, this, [this] { closeCalendar(true); });
    QAction* drop = addAction(calendarGlyph(), QLineEdit::TrailingPosition);
    connect(drop, &QAction::triggered, this, &TMvDGDateEdit::openCalendar);
    connect(this, &QLineEdit::textEdited, this, &TMvDGDateEdit::textWasEdited);
    m_link.onDataChange = [this] { showField(); };
    m_link.onUpdateData = [this] { writeField(); };
    hide();
}

TMvDGDateEdit::~TMvDGDateEdit() {
    m_link.onDataChange = nullptr;
    m_link.onUpdateData = nullptr;
}

TMVRXDBGrid* TMvDGDateEdit::DBGrid() const {
    return qobject_cast<TMVRXDBGrid*>(m_grid.data());
}

void TMvDGDateEdit::setDBGrid(TMVRXDBGrid* grid) {
    m_grid = grid;
}

void TMvDGDateEdit::showField() {
    setText(dataSource() ? dataSource()->fieldText(dataField()) : QString());
}

void TMvDGDateEdit::writeField() {
    dataSource()->setFieldText(dataField(), text());
}

bool TMvDGDateEdit::handIn() {
    return guarded(this, [this] { m_link.handIn(); });
}

void TMvDGDateEdit::textWasEdited() {
    bool editable = false;
    if (guarded(this, [&] { editable = m_link.edit(); }) && editable) {
        m_link.setModified();
        return;
    }
    showField();
}

bool TMvDGDateEdit::event(QEvent* event) {
    // Tab is the editor's own key: it stands for Enter instead of moving the focus on.
    if (event->type() == QEvent::KeyPress && isTab(static_cast<QKeyEvent*>(event))) {
        QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return,
                                                        Qt::NoModifier, QStringLiteral("\r")));
        return true;
    }
    return QLineEdit::event(event);
}

void TMvDGDateEdit::returnToGrid(int key, Qt::KeyboardModifiers modifiers) {
    TMVRXDBGrid* grid = DBGrid();
    if (!grid || !handIn())
        return;
    grid->setFocus(Qt::OtherFocusReason);
    grid->keyDown(key, modifiers);
}

void TMvDGDateEdit::keyPressEvent(QKeyEvent* event) {
    if (calendarOpen()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        returnToGrid(Qt::Key_Tab, Qt::NoModifier);
        break;
    case Qt::Key_Down:
        if (event->modifiers() & Qt::AltModifier) {
            openCalendar();
            return;
        }
        returnToGrid(event->key(), event->modifiers());
        break;
    case Qt::Key_Up:
        returnToGrid(event->key(), event->modifiers());
        break;
    case Qt::Key_F4:
        openCalendar();
        return;
    case Qt::Key_Escape:
        m_link.reset();
        selectAll();
        event->accept();
        return;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void TMvDGDateEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Entered by a key, the whole date is selected, so that typing replaces it.
    if (event->reason() != Qt::MouseFocusReason && event->reason() != Qt::PopupFocusReason)
        selectAll();
}

void TMvDGDateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (calendarOpen() || event->reason() == Qt::PopupFocusReason || !m_link.modified())
        return;
    try {
        m_link.handIn();
    } catch (const std::exception& e) {
        // Shown once the focus has settled; the text stays for the operator to correct.
        const QString message = QString::fromUtf8(e.what());
        QMetaObject::invokeMethod(
            this,
            [this, message] {
                showErrorBox(this, message);
                setFocus(Qt::OtherFocusReason);
                selectAll();
            },
            Qt::QueuedConnection);
    }
}

bool TMvDGDateEdit::calendarOpen() const {
    return m_popup->isVisible();
}

void TMvDGDateEdit::openCalendar() {
    if (calendarOpen() || !m_link.field())
        return;
    const auto* table = dataSource()->table();
    const auto field = m_link.field();
    const platform::DateTime shown = field->isNull() ? table->now() : field->asDateTime();
    const auto f = shown.fields();
    m_calendar->setSelectedDate(QDate(f.year, f.month, f.day));
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(rect().bottomLeft()));
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void TMvDGDateEdit::closeCalendar(bool accept) {
    m_popup->hide();
    setFocus(Qt::PopupFocusReason);
    const QDate date = m_calendar->selectedDate();
    platform::DateTime value;
    if (!accept || !platform::DateTime::tryDate(date.year(), date.month(), date.day(), value))
        return;
    bool editable = false;
    if (!guarded(this, [&] { editable = m_link.edit(); }) || !editable)
        return;
    const auto& settings = dataSource()->table()->formatSettings();
    setText(QString::fromStdString(platform::ansiToUtf8(
        rooms::valueToText(rooms::Value(value), rooms::FieldType::Date, settings))));
    m_link.setModified();
    selectAll();
}

} // namespace zorva::ui
