#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "rooms/memory_data_set.h"
#endif

#include <QAbstractTableModel>

#include <functional>
#include <string>
#include <vector>

namespace zorva::ui {

struct GridColumn {
    std::string fieldName;
    QString title;
    int width = 120;
};

// A data source: the table seen as rows and columns, with the pending new row shown where it
// will be placed, and one blank row while the table is open and empty, so that there is a cell
// to type the first record into. Values cross into Unicode here and back into ANSI text on the
// way in.
class DataSetModel : public QAbstractTableModel, public rooms::DataSetObserver {
    Q_OBJECT
public:
    DataSetModel(rooms::MemoryDataSet& table, std::vector<GridColumn> columns,
                 QObject* parent = nullptr);
    ~DataSetModel() override;

    // The bound table; null once the table has been destroyed.
    rooms::MemoryDataSet* table() const { return m_table; }
    bool active() const { return m_table && m_table->active(); }
    bool editing() const;

    const std::vector<GridColumn>& columns() const { return m_columns; }
    const rooms::FieldDef& fieldDefOf(int column) const;
    QString fieldNameOf(int column) const;
    rooms::Field fieldOf(int column) const;
    // The field's text in the record the table currently exposes, in Unicode.
    QString fieldText(const QString& fieldName) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Takes a cell's text into the current row; a text that does not convert goes to onError.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Takes a text into a field of the current record, starting edit state first (insert on
    // an empty table). Raises when the text does not convert; the field then keeps its value
    // and the record stays in edit or insert state.
    void setFieldText(const QString& fieldName, const QString& text);
    void setCellText(int column, const QString& text);

    // The row the table's current (or pending) record stands on; -1 while the table is closed.
    int currentRow() const;

    void dataEvent(rooms::DataEvent event) override;
    void updateRecord() override;
    void dataSetDestroyed() override;

    // Bound controls that hold text not yet taken into the record hand it in through this.
    std::function<void()> onUpdateRecord;
    // Told when the table's cursor moved or its rows changed, so that the view can follow.
    std::function<void()> onCursorMoved;
    // Where a conversion error from setData is shown.
    std::function<void(const QString&)> onError;

private:
    std::optional<rooms::Value> valueAt(int row, int column) const;
    int fieldIndexOf(const QString& fieldName) const;

    rooms::MemoryDataSet* m_table;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndex;
    int m_rows = 0;
};

} // namespace zorva::ui
