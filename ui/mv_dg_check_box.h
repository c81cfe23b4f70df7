#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "ui/mv_dg_field_link.h"
#endif

#include <QCheckBox>
#include <QPointer>

namespace zorva::ui {

class DataSetModel;
class TMVRXDBGrid;

// TMvDGCheckBox: a check box bound to a field that holds "1" or "0", which a grid places over
// the focused cell of a field tagged 123. Anything else in the field shows the grey state.
// Enter, Tab, Up and Down hand the value in and give the keyboard back to its grid.
class TMvDGCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TMvDGCheckBox(QWidget* parent = nullptr);
    ~TMvDGCheckBox() override;

    // The grid to return to; not owned, and forgotten when it goes.
    TMVRXDBGrid* DBGrid() const;
    void setDBGrid(TMVRXDBGrid* grid);

    // The checked caption and the unchecked caption, separated by ";".
    QString Caption2() const { return m_caption2; }
    void setCaption2(const QString& captions) { m_caption2 = captions; }

    // The texts written for checked and unchecked and recognised, in any letter case.
    QString valueChecked() const { return m_valueChecked; }
    void setValueChecked(const QString& value);
    QString valueUnchecked() const { return m_valueUnchecked; }
    void setValueUnchecked(const QString& value);

    DataSetModel* dataSource() const { return m_link.dataSource(); }
    void setDataSource(DataSetModel* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.fieldName(); }
    void setDataField(const QString& name) { m_link.setFieldName(name); }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override;
    bool hitButton(const QPoint& pos) const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    Qt::CheckState fieldState() const;
    void showField();
    void writeField();
    void applyCaption2();
    bool handIn();
    void returnToGrid(int key, Qt::KeyboardModifiers modifiers);

    FieldLink m_link;
    QPointer<QWidget> m_grid;
    QString m_caption2;
    QString m_valueChecked;
    QString m_valueUnchecked;
};

} // namespace zorva::ui
