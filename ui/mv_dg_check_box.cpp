#include "ui/mv_dg_check_box.h"

#include "platform/ansi_text.h"
#include "ui/data_set_model.h"
#include "ui/error_box.h"
#include "ui/mvrx_db_grid.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace zorva::ui {

using rooms::FieldType;

TMvDGCheckBox::TMvDGCheckBox(QWidget* parent)
    : QCheckBox(parent), m_valueChecked(QStringLiteral("1")),
      m_valueUnchecked(QStringLiteral("0")) {
    // The grey state shows a value that is neither; the operator's clicks never give it.
    setTristate(true);
    setCheckState(Qt::PartiallyChecked);
    setAutoFillBackground(true);
    connect(this, &QCheckBox::stateChanged, this, [this] { applyCaption2(); });
    m_link.onDataChange = [this] { showField(); };
    m_link.onUpdateData = [this] { writeField(); };
    hide();
}

TMvDGCheckBox::~TMvDGCheckBox() {
    m_link.onDataChange = nullptr;
    m_link.onUpdateData = nullptr;
}

TMVRXDBGrid* TMvDGCheckBox::DBGrid() const {
    return qobject_cast<TMVRXDBGrid*>(m_grid.data());
}

void TMvDGCheckBox::setDBGrid(TMVRXDBGrid* grid) {
    m_grid = grid;
}

void TMvDGCheckBox::setValueChecked(const QString& value) {
    m_valueChecked = value;
    m_link.reset();
}

void TMvDGCheckBox::setValueUnchecked(const QString& value) {
    m_valueUnchecked = value;
    m_link.reset();
}

Qt::CheckState TMvDGCheckBox::fieldState() const {
    const auto field = m_link.field();
    if (!field || field->isNull())
        return Qt::PartiallyChecked;
    if (field->type() == FieldType::Boolean)
        return field->asBoolean() ? Qt::Checked : Qt::Unchecked;
    const std::string text = field->asString();
    const auto same = [&](const QString& value) {
        return platform::sameTextIgnoreCase(text, platform::utf8ToAnsi(value.toStdString()));
    };
    if (same(m_valueChecked))
        return Qt::Checked;
    if (same(m_valueUnchecked))
        return Qt::Unchecked;
    return Qt::PartiallyChecked;
}

void TMvDGCheckBox::showField() {
    setCheckState(fieldState());
    applyCaption2();
}

void TMvDGCheckBox::writeField() {
    auto field = m_link.field();
    if (field && field->type() == FieldType::Boolean && checkState() != Qt::PartiallyChecked) {
        field->setAsBoolean(checkState() == Qt::Checked);
        return;
    }
    const QString value = checkState() == Qt::Checked     ? m_valueChecked
                          : checkState() == Qt::Unchecked ? m_valueUnchecked
                                                          : QString();
    dataSource()->setFieldText(dataField(), value);
}

void TMvDGCheckBox::applyCaption2() {
    const qsizetype separator = m_caption2.indexOf(u';');
    if (separator < 0)
        return;
    setText(checkState() == Qt::Checked ? m_caption2.left(separator)
                                        : m_caption2.mid(separator + 1));
}

void TMvDGCheckBox::nextCheckState() {
    bool editable = false;
    if (!guarded(this, [&] { editable = m_link.edit(); }) || !editable)
        return;
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    m_link.setModified();
}

bool TMvDGCheckBox::hitButton(const QPoint& pos) const {
    // As a Windows check box: a click anywhere on it counts, the whole cell it covers.
    return rect().contains(pos);
}

bool TMvDGCheckBox::handIn() {
    return guarded(this, [this] { m_link.handIn(); });
}

bool TMvDGCheckBox::event(QEvent* event) {
    // Tab is the box's own key: it stands for Enter instead of moving the focus on.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return,
                                                            Qt::NoModifier, QStringLiteral("\r")));
            return true;
        }
    }
    return QCheckBox::event(event);
}

void TMvDGCheckBox::returnToGrid(int key, Qt::KeyboardModifiers modifiers) {
    TMVRXDBGrid* grid = DBGrid();
    if (!grid || !handIn())
        return;
    grid->setFocus(Qt::OtherFocusReason);
    grid->keyDown(key, modifiers);
}

void TMvDGCheckBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        returnToGrid(Qt::Key_Tab, Qt::NoModifier);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        returnToGrid(event->key(), event->modifiers());
        event->accept();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // Claimed, so that they do not move the focus to another control.
        event->accept();
        return;
    case Qt::Key_Escape:
        m_link.reset();
        event->accept();
        return;
    default:
        break;
    }
    QCheckBox::keyPressEvent(event);
}

void TMvDGCheckBox::focusOutEvent(QFocusEvent* event) {
    QCheckBox::focusOutEvent(event);
    if (m_link.modified())
        handIn();
}

} // namespace zorva::ui
