#include "ui/mvrx_db_grid.h"

#include "ui/error_box.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpressionValidator>

namespace zorva::ui {

using rooms::DataSetState;
using rooms::FieldType;

QWidget* FieldDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    auto* editor =
        qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
    if (!editor)
        editor = new QLineEdit(parent);
    const auto* model = qobject_cast<const DataSetModel*>(index.model());
    if (model) {
        const auto field = model->fieldOf(index.column());
        if (field.type() == FieldType::Integer)
            editor->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[+\\-0-9]*")), editor));
        else if (field.type() == FieldType::String && field.size() > 0)
            editor->setMaxLength(field.size());
    }
    m_editor = editor;
    return editor;
}

void FieldDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (m_editor == editor)
        m_editor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

TMVRXDBGrid::TMVRXDBGrid(QWidget* parent) : QTableView(parent) {
    m_delegate = new FieldDelegate(this);
    setItemDelegate(m_delegate);
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setFixedWidth(14);
    horizontalHeader()->setHighlightSections(false);
    confirmDelete = [this](const QString& text) {
        return QMessageBox::question(this, QApplication::applicationDisplayName(), text,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
}

void TMVRXDBGrid::setDataSource(DataSetModel* model) {
    m_model = model;
    setModel(model);
    for (int c = 0; c < model->columnCount(); ++c)
        setColumnWidth(c, model->columns()[static_cast<std::size_t>(c)].width);
    model->onUpdateRecord = [this] { handInEditor(); };
    model->onCursorMoved = [this] { followCursor(); };
    followCursor();
}

bool TMVRXDBGrid::run(const std::function<void()>& action) {
    return guarded(this, action);
}

void TMVRXDBGrid::handInEditor() {
    if (QWidget* editor = m_delegate->openEditor()) {
        // Taking the text in can raise the table's own events; the editor stays open until
        // the cursor moves on, as the base grid does.
        commitData(editor);
    }
}

void TMVRXDBGrid::followCursor() {
    if (!m_model)
        return;
    m_following = true;
    const int row = m_model->currentRow();
    const int column = std::max(currentIndex().column(), 0);
    if (row >= 0)
        setCurrentIndex(m_model->index(row, column));
    m_following = false;
}

void TMVRXDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (m_following || !m_model || !current.isValid() || current.row() == m_model->currentRow())
        return;
    run([&] { m_model->table().moveToRecNo(current.row() + 1); });
    followCursor();
}

bool TMVRXDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool opens =
        trigger == QAbstractItemView::AllEditTriggers ||
        (trigger != QAbstractItemView::NoEditTriggers && editTriggers().testFlag(trigger));
    if (!m_model || !index.isValid() || state() == QAbstractItemView::EditingState || !opens)
        return QTableView::edit(index, trigger, event);
    // Opening a cell editor starts edit state (insert on an empty table), so that a lookup
    // arriving while the operator types finds a pending change to hand in.
    const int column = index.column();
    if (!run([&] {
            auto& table = m_model->table();
            if (index.row() != m_model->currentRow())
                table.moveToRecNo(index.row() + 1);
            table.edit();
        }))
        return false;
    return QTableView::edit(m_model->index(std::max(m_model->currentRow(), 0), column), trigger,
                            event);
}

int TMVRXDBGrid::visibleRows() const {
    const int rowHeight = std::max(verticalHeader()->defaultSectionSize(), 1);
    return std::max(viewport()->height() / rowHeight, 1);
}

void TMVRXDBGrid::moveRows(int delta) {
    auto& table = m_model->table();
    const int target = std::clamp(table.recNo() + delta, 1, std::max(table.recordCount(), 1));
    table.moveToRecNo(target);
}

void TMVRXDBGrid::keyPressEvent(QKeyEvent* event) {
    if (!m_model || state() == QAbstractItemView::EditingState) {
        QTableView::keyPressEvent(event);
        return;
    }
    auto& table = m_model->table();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool pendingUnchanged = table.state() == DataSetState::Insert && !table.modified();
    const int column = std::max(currentIndex().column(), 0);
    const int lastColumn = m_model->columnCount() - 1;
    auto toColumn = [&](int c) {
        setCurrentIndex(m_model->index(std::max(m_model->currentRow(), 0), c));
    };

    switch (event->key()) {
    case Qt::Key_End:
        if (ctrl) {
            if (KeyVK_END)
                run([&] { table.last(); });
        } else {
            toColumn(lastColumn);
        }
        return;
    case Qt::Key_Home:
        if (ctrl)
            run([&] { table.first(); });
        else
            toColumn(0);
        return;
    case Qt::Key_Up:
        run([&] {
            if (ctrl)
                table.moveToRecNo(rowAt(0) + 1);
            else if (pendingUnchanged)
                table.cancel();
            else
                table.prior();
        });
        return;
    case Qt::Key_Down:
        run([&] {
            if (ctrl) {
                const int last = rowAt(viewport()->height() - 1);
                table.moveToRecNo(last < 0 ? table.recordCount() : last + 1);
            } else if (pendingUnchanged && table.recNo() > table.recordCount()) {
                // An unchanged new row at the end stays as it is.
            } else if (table.isEmpty() || table.recNo() >= table.recordCount()) {
                table.append();
            } else {
                table.next();
            }
        });
        return;
    case Qt::Key_PageUp:
        run([&] { ctrl ? table.moveToRecNo(rowAt(0) + 1) : moveRows(-visibleRows()); });
        return;
    case Qt::Key_PageDown:
        run([&] {
            if (ctrl) {
                const int last = rowAt(viewport()->height() - 1);
                table.moveToRecNo(last < 0 ? table.recordCount() : last + 1);
            } else {
                moveRows(visibleRows());
            }
        });
        return;
    case Qt::Key_Left:
        toColumn(ctrl ? 0 : std::max(column - 1, 0));
        return;
    case Qt::Key_Right:
        toColumn(ctrl ? lastColumn : std::min(column + 1, lastColumn));
        return;
    case Qt::Key_Insert:
        run([&] { table.insert(); });
        return;
    case Qt::Key_Delete:
        if (ctrl && !table.isEmpty() && confirmDelete(QStringLiteral("Delete record?")))
            run([&] { table.deleteRecord(); });
        return;
    case Qt::Key_Escape:
        run([&] { table.cancel(); });
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (currentIndex().isValid())
            edit(currentIndex(), QAbstractItemView::AllEditTriggers, event);
        return;
    default:
        QTableView::keyPressEvent(event);
    }
}

void TMVRXDBGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    // Leaving the grid drops a new row that nothing was typed into, as cancel-on-exit does;
    // focus moving into the grid's own cell editor is no leaving.
    if (!m_model || state() == QAbstractItemView::EditingState)
        return;
    auto& table = m_model->table();
    if (table.state() == DataSetState::Insert && !table.modified())
        run([&] { table.cancel(); });
}

} // namespace zorva::ui
