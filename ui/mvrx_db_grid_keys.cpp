// The grid's keyboard: the additions of TMVRXDBGrid first, then what the toolkit's data grid
// does with a key, with editing, the record indicator, confirmation before deleting and
// cancel-on-exit on, and neither tab navigation between cells nor an editor always shown.

#include "ui/mv_dg_check_box.h"
#include "ui/mv_dg_date_edit.h"
#include "ui/mvrx_db_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

namespace zorva::ui {

using rooms::DataSetState;

namespace {

constexpr char16_t enterCharacter = u'\r';

bool isCharacterKey(char16_t c) {
    return c == u'\b' || c >= u' ';
}

} // namespace

char16_t TMVRXDBGrid::characterOf(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return enterCharacter;
    case Qt::Key_Escape:
        return u'\x1b';
    case Qt::Key_Backspace:
        return u'\b';
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return 0;
    default:
        break;
    }
    // Ctrl with a letter is the letter's control character, as a Windows key message has it.
    if ((event->modifiers() & Qt::ControlModifier) && event->key() >= Qt::Key_A &&
        event->key() <= Qt::Key_Z)
        return static_cast<char16_t>(event->key() - Qt::Key_A + 1);
    const QString text = event->text();
    if (text.isEmpty() || text.at(0).unicode() == 0x7f)
        return 0;
    return text.at(0).unicode();
}

void TMVRXDBGrid::keyPressEvent(QKeyEvent* event) {
    if (!m_model || event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        QTableView::keyPressEvent(event);
        return;
    }
    if (routeKeyDown(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    const bool down = baseKeyDown(event->key(), event->modifiers());
    const bool press = keyPress(event);
    if (down || press)
        event->accept();
    else
        event->ignore();
}

void TMVRXDBGrid::keyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!m_model || routeKeyDown(key, modifiers))
        return;
    baseKeyDown(key, modifiers);
}

bool TMVRXDBGrid::routeKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!m_keyVkEnd && key == Qt::Key_End && (modifiers & Qt::ControlModifier))
        return true;
    if (key != Qt::Key_F2)
        return false;
    const QString field = selectedFieldName();
    if (TMvDGDateEdit* date = dateEditFor(field)) {
        date->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (TMvDGCheckBox* box = checkBoxFor(field)) {
        box->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

bool TMVRXDBGrid::baseKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    auto* t = table();
    if (!t)
        return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const int lastColumn = m_model->columnCount() - 1;
    const int column = std::clamp(m_column, 0, lastColumn);
    switch (key) {
    case Qt::Key_Up:
        run([&] { ctrl ? moveToViewRow(firstVisibleRow()) : priorRow(); });
        return true;
    case Qt::Key_Down:
        run([&] { ctrl ? moveToViewRow(lastVisibleRow()) : nextRow(); });
        return true;
    case Qt::Key_PageUp:
        run([&] { ctrl ? moveToViewRow(firstVisibleRow()) : moveBy(-visibleRowCount()); });
        return true;
    case Qt::Key_PageDown:
        run([&] { ctrl ? moveToViewRow(lastVisibleRow()) : moveBy(visibleRowCount()); });
        return true;
    case Qt::Key_Left:
        run([&] { toColumn(ctrl ? 0 : column - 1); });
        return true;
    case Qt::Key_Right:
        run([&] { toColumn(ctrl ? lastColumn : column + 1); });
        return true;
    case Qt::Key_Home:
        run([&] { ctrl ? t->first() : toColumn(0); });
        return true;
    case Qt::Key_End:
        run([&] { ctrl ? t->last() : toColumn(lastColumn); });
        return true;
    case Qt::Key_Insert:
        if (!ctrl && m_editingAllowed)
            run([t] { t->insert(); });
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            return false;
        if (m_editingAllowed)
            deleteWithConfirmation();
        return true;
    case Qt::Key_Escape:
        escape();
        return true;
    case Qt::Key_F2:
        if (m_editingAllowed && !cellEditor() && currentIndex().isValid())
            edit(currentIndex(), QAbstractItemView::EditKeyPressed, nullptr);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!(modifiers & Qt::AltModifier))
            run([&] { tab(key == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier)); });
        return true;
    default:
        return false;
    }
}

bool TMVRXDBGrid::keyPress(QKeyEvent* event) {
    const char16_t c = characterOf(event);
    if (c == 0)
        return false;
    // An editable grid gives Backspace and printable characters to its cell editor first.
    if (m_editingAllowed && isCharacterKey(c) && c != enterCharacter) {
        if (currentIndex().isValid())
            edit(currentIndex(), QAbstractItemView::AnyKeyPressed, event);
        return true;
    }
    const QString field = selectedFieldName();
    if (c != enterCharacter) {
        if (TMvDGDateEdit* date = dateEditFor(field)) {
            date->setFocus(Qt::OtherFocusReason);
            QKeyEvent typed(QEvent::KeyPress, event->key(), event->modifiers(), event->text());
            QCoreApplication::sendEvent(date, &typed);
            return true;
        }
        if (TMvDGCheckBox* box = checkBoxFor(field)) {
            box->setFocus(Qt::OtherFocusReason);
            if (c == u' ')
                box->click();
            return true;
        }
        return false;
    }
    toggleEditor();
    return true;
}

bool TMVRXDBGrid::editorKey(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        toggleEditor();
        return true;
    case Qt::Key_Escape:
        escape();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        keyDown(key, modifiers);
        return true;
    case Qt::Key_Insert:
        if (modifiers != Qt::NoModifier)
            return false;
        keyDown(key, modifiers);
        return true;
    case Qt::Key_Delete:
        if (!(modifiers & Qt::ControlModifier))
            return false;
        keyDown(key, modifiers);
        return true;
    case Qt::Key_F2:
        if (QLineEdit* editor = cellEditor())
            editor->deselect();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (modifiers & (Qt::AltModifier | Qt::ControlModifier))
            return false;
        // Without tab navigation between cells, Tab leaves the grid from the editor too.
        leaveGrid(key == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
        return true;
    default:
        return false;
    }
}

void TMVRXDBGrid::leaveGrid(bool forward) {
    QWidget* w = this;
    const auto skipped = [this](const QWidget* candidate) {
        return contains(candidate) || !(candidate->focusPolicy() & Qt::TabFocus) ||
               !candidate->isVisible() || !candidate->isEnabled() ||
               candidate->window() != window();
    };
    do
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
    while (w != this && skipped(w));
    if (w != this)
        w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool TMVRXDBGrid::pendingRowUnchanged() const {
    const auto* t = table();
    return t && t->state() == DataSetState::Insert && !t->modified() && !m_editorModified;
}

void TMVRXDBGrid::priorRow() {
    auto* t = table();
    if (pendingRowUnchanged() && t->pendingInsertIndex() == t->recordCount()) {
        t->cancel();
        return;
    }
    t->prior();
}

void TMVRXDBGrid::nextRow() {
    auto* t = table();
    if (pendingRowUnchanged()) {
        // A new row at the end stays as it is; one in the middle gives way to the record
        // below it.
        if (t->pendingInsertIndex() != t->recordCount())
            t->cancel();
        return;
    }
    t->next();
    if (t->eof() && m_editingAllowed)
        t->append();
}

void TMVRXDBGrid::tab(bool forward) {
    const int lastColumn = m_model->columnCount() - 1;
    const int column = std::clamp(m_column, 0, lastColumn);
    if (forward && column < lastColumn) {
        toColumn(column + 1);
    } else if (!forward && column > 0) {
        toColumn(column - 1);
    } else {
        forward ? nextRow() : priorRow();
        m_column = forward ? 0 : lastColumn;
        followCursor();
    }
}

void TMVRXDBGrid::moveBy(int delta) {
    auto* t = table();
    t->finishPending();
    if (t->isEmpty())
        return;
    const int target = t->recNo() + delta;
    if (target > t->recordCount())
        t->last();
    else if (target < 1)
        t->first();
    else
        t->moveToRecNo(target);
}

void TMVRXDBGrid::moveToViewRow(int row) {
    auto* t = table();
    int record = row;
    if (t->state() == DataSetState::Insert) {
        const int pending = t->pendingInsertIndex();
        if (row == pending)
            return;
        if (row > pending)
            --record;
        const int before = t->recordCount();
        t->finishPending();
        // Posted, the new row pushes the records after it one place down.
        if (t->recordCount() > before && record >= pending)
            ++record;
    } else {
        t->finishPending();
    }
    if (t->isEmpty())
        return;
    t->moveToRecNo(std::clamp(record, 0, t->recordCount() - 1) + 1);
}

void TMVRXDBGrid::toColumn(int column) {
    column = std::clamp(column, 0, m_model->columnCount() - 1);
    if (column == m_column && currentIndex().column() == column)
        return;
    handInEditor();
    m_column = column;
    followCursor();
}

void TMVRXDBGrid::deleteWithConfirmation() {
    auto* t = table();
    if (t->isEmpty() || (confirmDelete && !confirmDelete()))
        return;
    run([t] { t->deleteRecord(); });
}

void TMVRXDBGrid::escape() {
    QLineEdit* editor = cellEditor();
    if (editor && m_editorModified) {
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        return;
    }
    if (editor)
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (auto* t = table())
        run([t] { t->cancel(); });
}

void TMVRXDBGrid::toggleEditor() {
    if (QLineEdit* editor = cellEditor()) {
        if (run([this] { handInEditor(); }))
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        return;
    }
    if (m_editingAllowed && currentIndex().isValid())
        edit(currentIndex(), QAbstractItemView::AllEditTriggers, nullptr);
}

int TMVRXDBGrid::firstVisibleRow() const {
    return std::max(rowAt(0), 0);
}

int TMVRXDBGrid::lastVisibleRow() const {
    const int height = viewport()->height();
    int row = rowAt(height - 1);
    if (row < 0)
        return std::max(m_model->rowCount() - 1, 0);
    if (row > firstVisibleRow() && rowViewportPosition(row) + rowHeight(row) > height)
        --row;
    return row;
}

int TMVRXDBGrid::visibleRowCount() const {
    const int rowHeight = std::max(verticalHeader()->defaultSectionSize(), 1);
    return std::max(viewport()->height() / rowHeight, 1);
}

} // namespace zorva::ui
