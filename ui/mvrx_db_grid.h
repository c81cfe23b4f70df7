#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "ui/data_set_model.h"
#endif

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

namespace zorva::ui {

// The cell editors: integer cells take only "+", "-" and digits, text cells their size.
class FieldDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    QWidget* openEditor() const { return m_editor; }

private:
    mutable QPointer<QWidget> m_editor;
};

// TMVRXDBGrid: the room grid over OdaTanim_S, with the keys an operator of the data grid knows.
class TMVRXDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TMVRXDBGrid(QWidget* parent = nullptr);

    void setDataSource(DataSetModel* model);
    DataSetModel* dataSource() const { return m_model; }

    QString About() const { return QStringLiteral("s1.09"); }
    void setAbout(const QString&) {}
    bool KeyVK_END = true;
    bool Azerice = false;

    // Takes the text of an open cell editor into the record.
    void handInEditor();

    // Where confirmations are asked; tests answer them.
    std::function<bool(const QString& text)> confirmDelete;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    void followCursor();
    void moveRows(int delta);
    int visibleRows() const;
    bool run(const std::function<void()>& action);

    DataSetModel* m_model = nullptr;
    FieldDelegate* m_delegate = nullptr;
    bool m_following = false;
};

} // namespace zorva::ui
