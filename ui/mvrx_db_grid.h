#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "ui/data_set_model.h"
#endif

#include <QPointer>
#include <QTableView>

#include <functional>

class QLineEdit;
class QStatusBar;

namespace zorva::ui {

class TMvDGCheckBox;
class TMvDGDateEdit;

// TMVRXDBGrid: a data grid over a data source, with the keys of the toolkit's data grid, a
// switch for Ctrl+End and the routing of keys to an in-place date editor and check box that
// it places over the focused cell of the columns they serve.
class TMVRXDBGrid : public QTableView {
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE setAbout)
    Q_PROPERTY(bool KeyVK_END READ KeyVK_END WRITE setKeyVK_END)
    Q_PROPERTY(bool Azerice READ Azerice WRITE setAzerice)

public:
    explicit TMVRXDBGrid(QWidget* parent = nullptr);
    ~TMVRXDBGrid() override;

    void setDataSource(DataSetModel* model);
    DataSetModel* dataSource() const { return m_model; }

    QString About() const { return QStringLiteral("s1.09"); }
    void setAbout(const QString&) {}
    QStatusBar* StatusBar() const;
    void setStatusBar(QStatusBar* statusBar);
    bool KeyVK_END() const { return m_keyVkEnd; }
    void setKeyVK_END(bool on) { m_keyVkEnd = on; }
    std::function<void(QObject* sender)> OnCustomize;
    TMvDGDateEdit* Cont_DateEdit() const;
    void setCont_DateEdit(TMvDGDateEdit* editor);
    TMvDGCheckBox* Cont_CheckBox() const;
    void setCont_CheckBox(TMvDGCheckBox* checkBox);
    bool Azerice() const { return m_azerice; }
    void setAzerice(bool on) { m_azerice = on; }

    // Editing allowed: typing opens the cell editor, and Insert, Ctrl+Delete and moving down
    // past the last record change the table. On by default.
    bool editingAllowed() const { return m_editingAllowed; }
    void setEditingAllowed(bool on);

    // The field of the selected column; empty when there is none.
    QString selectedFieldName() const;

    // A key sent straight to the grid's key handling, past focus navigation, as the in-place
    // editors send Tab, Up and Down: Tab and Shift+Tab move to the next or previous cell.
    void keyDown(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // The open cell editor, if any.
    QLineEdit* cellEditor() const;
    // Takes the open cell editor's text into the record, when it was changed. Raises when the
    // text does not convert; the editor then stays open with it.
    void handInEditor();

    // Asks "Delete record?" with Yes and No; tests answer it.
    std::function<bool()> confirmDelete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

protected slots:
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class GridCellDelegate;

    rooms::MemoryDataSet* table() const;
    bool run(const std::function<void()>& action);

    // Key handling (mvrx_db_grid_keys.cpp).
    bool routeKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool baseKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool keyPress(QKeyEvent* event);
    bool editorKey(QKeyEvent* event);
    void leaveGrid(bool forward);
    void priorRow();
    void nextRow();
    void tab(bool forward);
    void moveBy(int delta);
    void moveToViewRow(int row);
    bool moveToCell(const QModelIndex& index);
    void toColumn(int column);
    void deleteWithConfirmation();
    void escape();
    void toggleEditor();
    bool pendingRowUnchanged() const;
    int firstVisibleRow() const;
    int lastVisibleRow() const;
    int visibleRowCount() const;
    static char16_t characterOf(const QKeyEvent* event);

    // Cell editor and focus.
    void editorTextEdited();
    void closeOpenEditor();
    void focusChanged(QWidget* old, QWidget* now);
    void leftGrid();
    bool contains(const QWidget* widget) const;

    // The in-place editors.
    void followCursor();
    void placeEditors();
    void place(QWidget* editor, const QModelIndex& index);
    void columnExit(const QString& fieldName);
    TMvDGDateEdit* dateEditFor(const QString& fieldName) const;
    TMvDGCheckBox* checkBoxFor(const QString& fieldName) const;

    QPointer<DataSetModel> m_model;
    QPointer<QStatusBar> m_statusBar;
    QPointer<QWidget> m_dateEdit;
    QPointer<QWidget> m_checkBox;
    QPointer<QLineEdit> m_editor;
    int m_editColumn = 0;
    bool m_keyVkEnd = true;
    bool m_azerice = false;
    bool m_editingAllowed = true;
    bool m_following = false;
    bool m_editorModified = false;
    int m_column = 0;
    QMetaObject::Connection m_focusConnection;
};

} // namespace zorva::ui
