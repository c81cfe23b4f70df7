#include "ui/mvrx_db_grid.h"

#include "ui/error_box.h"
#include "ui/mv_dg_check_box.h"
#include "ui/mv_dg_date_edit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QStyledItemDelegate>

namespace zorva::ui {

using rooms::DataSetState;
using rooms::FieldType;

namespace {

bool isIntegerCharacter(QChar c) {
    return c == u'+' || c == u'-' || (c >= u'0' && c <= u'9');
}

} // namespace

// The cell editor: a line edit that takes only what the field can hold. Its keys go to the
// grid, which decides when the text is taken into the record.
class GridCellDelegate : public QStyledItemDelegate {
public:
    explicit GridCellDelegate(TMVRXDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        // The text keeps the cell's face while it is edited; a styled line edit would take the
        // application's.
        editor->setFont(option.font);
        if (const DataSetModel* model = m_grid->dataSource(); model && model->table()) {
            const auto& def = model->fieldDefOf(index.column());
            if (def.type == FieldType::Integer)
                editor->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[+\\-0-9]*")), editor));
            else if (def.type == FieldType::String && def.size > 0)
                editor->setMaxLength(def.size);
        }
        QObject::connect(editor, &QLineEdit::textEdited, m_grid,
                         [grid = m_grid] { grid->editorTextEdited(); });
        return editor;
    }

    // The grid takes the text in itself, at the moments the record needs it.
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (refusedCharacter(key)) {
                QApplication::beep();
                return true;
            }
            if (m_grid->editorKey(key))
                return true;
        }
        // Where the focus goes when it leaves the editor is the grid's business.
        if (event->type() == QEvent::FocusOut)
            return false;
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    bool refusedCharacter(const QKeyEvent* key) const {
        const DataSetModel* model = m_grid->dataSource();
        const QString text = key->text();
        if (!model || !model->table() || text.isEmpty() || !text.at(0).isPrint() ||
            (key->modifiers() & Qt::ControlModifier))
            return false;
        const int column = m_grid->currentIndex().column();
        if (column < 0 || model->fieldDefOf(column).type != FieldType::Integer)
            return false;
        return !std::all_of(text.begin(), text.end(), isIntegerCharacter);
    }

    TMVRXDBGrid* m_grid;
};

TMVRXDBGrid::TMVRXDBGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new GridCellDelegate(this));
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(14);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    // A header click would move the view behind the table's back and drop an open editor's
    // text; the record indicator column moves the cursor as a cell click does.
    horizontalHeader()->setSectionsClickable(false);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->viewport()->installEventFilter(this);
    confirmDelete = [this] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                        QStringLiteral("Delete record?"), QMessageBox::Yes | QMessageBox::No, this);
        return box.exec() == QMessageBox::Yes;
    };
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this,
                                [this](QWidget* old, QWidget* now) { focusChanged(old, now); });
}

TMVRXDBGrid::~TMVRXDBGrid() {
    // Focus moves while the widget tears down; this object must not hear of it by then.
    disconnect(m_focusConnection);
    if (m_model) {
        m_model->onUpdateRecord = nullptr;
        m_model->onCursorMoved = nullptr;
    }
}

void TMVRXDBGrid::setDataSource(DataSetModel* model) {
    if (m_model) {
        disconnect(m_model, nullptr, this, nullptr);
        m_model->onUpdateRecord = nullptr;
        m_model->onCursorMoved = nullptr;
    }
    m_model = model;
    setModel(model);
    if (!model)
        return;
    for (int c = 0; c < model->columnCount(); ++c)
        setColumnWidth(c, model->columns()[static_cast<std::size_t>(c)].width);
    model->onUpdateRecord = [this] { handInEditor(); };
    model->onCursorMoved = [this] { followCursor(); };
    // A reset would drop the editor without giving the focus back to the grid.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &TMVRXDBGrid::closeOpenEditor);
    followCursor();
}

rooms::MemoryDataSet* TMVRXDBGrid::table() const {
    return m_model && m_model->active() ? m_model->table() : nullptr;
}

bool TMVRXDBGrid::run(const std::function<void()>& action) {
    return guarded(this, action);
}

QStatusBar* TMVRXDBGrid::StatusBar() const {
    return m_statusBar;
}

void TMVRXDBGrid::setStatusBar(QStatusBar* statusBar) {
    m_statusBar = statusBar;
}

// A component in the middle of its destruction is no longer one of these, so the grid
// never reaches into an editor that is going away.
TMvDGDateEdit* TMVRXDBGrid::Cont_DateEdit() const {
    return qobject_cast<TMvDGDateEdit*>(m_dateEdit.data());
}

void TMVRXDBGrid::setCont_DateEdit(TMvDGDateEdit* editor) {
    m_dateEdit = editor;
}

TMvDGCheckBox* TMVRXDBGrid::Cont_CheckBox() const {
    return qobject_cast<TMvDGCheckBox*>(m_checkBox.data());
}

void TMVRXDBGrid::setCont_CheckBox(TMvDGCheckBox* checkBox) {
    m_checkBox = checkBox;
}

void TMVRXDBGrid::setEditingAllowed(bool on) {
    m_editingAllowed = on;
    if (!on)
        closeOpenEditor();
    setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed
                       : QAbstractItemView::NoEditTriggers);
}

QString TMVRXDBGrid::selectedFieldName() const {
    const QModelIndex index = currentIndex();
    return m_model && index.isValid() ? m_model->fieldNameOf(index.column()) : QString();
}

QLineEdit* TMVRXDBGrid::cellEditor() const {
    return state() == QAbstractItemView::EditingState ? m_editor.data() : nullptr;
}

void TMVRXDBGrid::handInEditor() {
    QLineEdit* editor = cellEditor();
    if (!editor || !m_editorModified || !m_model)
        return;
    m_model->setCellText(m_editColumn, editor->text());
    m_editorModified = false;
}

void TMVRXDBGrid::editorTextEdited() {
    m_editorModified = true;
    if (m_model && !m_model->editing())
        if (auto* t = table())
            run([t] { t->edit(); });
}

bool TMVRXDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool opens =
        trigger == QAbstractItemView::AllEditTriggers ||
        (trigger != QAbstractItemView::NoEditTriggers && editTriggers().testFlag(trigger));
    if (!opens || !index.isValid() || state() == QAbstractItemView::EditingState)
        return QTableView::edit(index, trigger, event);
    if (!m_editingAllowed || !table())
        return false;
    // The editor only ever opens on the table's current record.
    if (index.row() != m_model->currentRow() && !moveToCell(index))
        return false;
    const QModelIndex current = m_model->index(m_model->currentRow(), index.column());
    m_editColumn = current.column();
    m_editorModified = false;
    if (!QTableView::edit(current, trigger, event))
        return false;
    m_editor = qobject_cast<QLineEdit*>(indexWidget(current));
    return true;
}

void TMVRXDBGrid::commitData(QWidget*) {
    // Nothing is taken in behind the table's back; handInEditor does it when the record asks.
}

void TMVRXDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    if (editor == m_editor) {
        m_editor = nullptr;
        m_editorModified = false;
    }
}

void TMVRXDBGrid::closeOpenEditor() {
    if (QLineEdit* editor = cellEditor())
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool TMVRXDBGrid::contains(const QWidget* widget) const {
    return widget && (widget == this || isAncestorOf(widget));
}

void TMVRXDBGrid::focusChanged(QWidget* old, QWidget* now) {
    // Only a move to another control of the same window, or the focus dropped inside it (the
    // page being hidden), leaves the grid; a message box or another application taking the
    // focus does not.
    if (!contains(old) || contains(now))
        return;
    if (now ? now->window() != window() : !window()->isActiveWindow())
        return;
    QMetaObject::invokeMethod(this, &TMVRXDBGrid::leftGrid, Qt::QueuedConnection);
}

void TMVRXDBGrid::leftGrid() {
    auto* t = table();
    if (!t || contains(QApplication::focusWidget()))
        return;
    if (t->state() == DataSetState::Insert && !t->modified() && !m_editorModified) {
        closeOpenEditor();
        run([t] { t->cancel(); });
        return;
    }
    if (!cellEditor())
        return;
    if (run([this] { handInEditor(); })) {
        closeOpenEditor();
    } else if (QLineEdit* editor = cellEditor()) {
        // The text that does not convert stays where the operator can correct it.
        editor->setFocus(Qt::OtherFocusReason);
    }
}

bool TMVRXDBGrid::moveToCell(const QModelIndex& index) {
    if (!index.isValid() || !table())
        return false;
    const bool moved = run([&] {
        if (index.row() != m_model->currentRow())
            moveToViewRow(index.row());
        else if (index.column() != m_column)
            handInEditor();
    });
    if (moved && index.row() == m_model->currentRow())
        m_column = index.column();
    followCursor();
    return moved && currentIndex() == index;
}

bool TMVRXDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == verticalHeader()->viewport() && event->type() == QEvent::MouseButtonPress &&
        m_model) {
        const auto* press = static_cast<QMouseEvent*>(event);
        const int row = verticalHeader()->logicalIndexAt(press->position().toPoint());
        if (row >= 0) {
            if (!contains(QApplication::focusWidget()))
                setFocus(Qt::MouseFocusReason);
            moveToCell(m_model->index(row, m_column));
        }
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void TMVRXDBGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && currentIndex() != index && !moveToCell(index)) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void TMVRXDBGrid::mouseMoveEvent(QMouseEvent* event) {
    // Dragging selects nothing here; the cursor follows the pointer as a click would.
    if (event->buttons() & Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid() && currentIndex() != index && !cellEditor())
            moveToCell(index);
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TMVRXDBGrid::followCursor() {
    if (!m_model || !m_model->active() || m_model->columnCount() == 0)
        return;
    const int row = m_model->currentRow();
    if (row < 0)
        return;
    m_column = std::clamp(m_column, 0, m_model->columnCount() - 1);
    const QModelIndex target = m_model->index(row, m_column);
    m_following = true;
    if (currentIndex() != target)
        setCurrentIndex(target);
    m_following = false;
    verticalHeader()->viewport()->update();
    placeEditors();
}

void TMVRXDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (!m_following && current.isValid() && m_model && m_model->active() &&
        current.row() != m_model->currentRow()) {
        // The base view moved on its own; the table decides where the grid stands.
        QMetaObject::invokeMethod(this, &TMVRXDBGrid::followCursor, Qt::QueuedConnection);
    }
    if (previous.isValid() && current.isValid() && previous.column() != current.column() && m_model)
        columnExit(m_model->fieldNameOf(previous.column()));
    if (current.isValid())
        m_column = current.column();
    QTableView::currentChanged(current, previous);
    placeEditors();
}

void TMVRXDBGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    placeEditors();
}

void TMVRXDBGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    placeEditors();
}

void TMVRXDBGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    placeEditors();
}

void TMVRXDBGrid::updateGeometries() {
    QTableView::updateGeometries();
    placeEditors();
}

void TMVRXDBGrid::placeEditors() {
    // Only the focused cell carries an editor, so nothing moves while the grid is not focused.
    if (!m_model || !m_model->active() || !hasFocus())
        return;
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return;
    const auto& def = m_model->fieldDefOf(index.column());
    const QString field = m_model->fieldNameOf(index.column());
    // A date column never carries the check box, whatever its field's tag.
    if (TMvDGDateEdit* date = Cont_DateEdit(); date && def.type == FieldType::Date) {
        date->setDataSource(m_model);
        date->setDataField(field);
        place(date, index);
    } else if (TMvDGCheckBox* box = Cont_CheckBox(); box && def.tag == 123) {
        box->setDataSource(m_model);
        box->setDataField(field);
        place(box, index);
    }
}

void TMVRXDBGrid::place(QWidget* editor, const QModelIndex& index) {
    const QRect cell = visualRect(index);
    if (!viewport()->rect().intersects(cell)) {
        // Scrolled out of sight: an editor left floating would stand over another record.
        if (!editor->hasFocus())
            editor->hide();
        return;
    }
    QPalette palette = editor->palette();
    const QColor background = this->palette().color(QPalette::Base);
    const QColor text = this->palette().color(QPalette::Text);
    for (auto role : {QPalette::Base, QPalette::Window, QPalette::Button})
        palette.setColor(role, background);
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(role, text);
    editor->setPalette(palette);
    // Placed in the editor's parent, normally the grid's parent, over the cell.
    QWidget* parent = editor->parentWidget();
    QPoint at;
    if (!parent)
        at = viewport()->mapToGlobal(cell.topLeft());
    else if (parent->isAncestorOf(viewport()))
        at = viewport()->mapTo(parent, cell.topLeft());
    else
        at = parent->mapFromGlobal(viewport()->mapToGlobal(cell.topLeft()));
    editor->setGeometry(QRect(at, cell.size()));
    editor->show();
    editor->raise();
}

void TMVRXDBGrid::columnExit(const QString& fieldName) {
    if (TMvDGDateEdit* date = Cont_DateEdit(); date && date->dataField() == fieldName) {
        date->hide();
        return;
    }
    if (TMvDGCheckBox* box = Cont_CheckBox(); box && box->dataField() == fieldName)
        box->hide();
}

namespace {

bool canTakeFocus(const QWidget* w) {
    return w && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus;
}

} // namespace

TMvDGDateEdit* TMVRXDBGrid::dateEditFor(const QString& fieldName) const {
    TMvDGDateEdit* date = Cont_DateEdit();
    return !fieldName.isEmpty() && date && date->dataField() == fieldName && canTakeFocus(date)
               ? date
               : nullptr;
}

TMvDGCheckBox* TMVRXDBGrid::checkBoxFor(const QString& fieldName) const {
    TMvDGCheckBox* box = Cont_CheckBox();
    return !fieldName.isEmpty() && box && box->dataField() == fieldName && canTakeFocus(box)
               ? box
               : nullptr;
}

} // namespace zorva::ui
