#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "ui/mv_dg_field_link.h"
#endif

#include <QLineEdit>
#include <QPointer>

class QCalendarWidget;
class QFrame;

namespace zorva::ui {

class DataSetModel;
class TMVRXDBGrid;

// TMvDGDateEdit: a date edit bound to a field, with a drop-down calendar, that a grid places
// over the focused cell of a date column. Enter, Tab, Up and Down hand the date in and give
// the keyboard back to its grid, so that the operator goes on from cell to cell.
class TMvDGDateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TMvDGDateEdit(QWidget* parent = nullptr);
    ~TMvDGDateEdit() override;

    // The grid to return to; not owned, and forgotten when it goes.
    TMVRXDBGrid* DBGrid() const;
    void setDBGrid(TMVRXDBGrid* grid);

    DataSetModel* dataSource() const { return m_link.dataSource(); }
    void setDataSource(DataSetModel* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.fieldName(); }
    void setDataField(const QString& name) { m_link.setFieldName(name); }

    bool calendarOpen() const;
    void openCalendar();
    QCalendarWidget* calendar() const { return m_calendar; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void writeField();
    bool handIn();
    void returnToGrid(int key, Qt::KeyboardModifiers modifiers);
    void closeCalendar(bool accept);
    void textWasEdited();

    FieldLink m_link;
    QPointer<QWidget> m_grid;
    QFrame* m_popup = nullptr;
    QCalendarWidget* m_calendar = nullptr;
};

} // namespace zorva::ui
