#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "rooms/memory_data_set.h"
#endif

#include <QAbstractTableModel>

#include <functional>
#include <vector>

namespace zorva::ui {

struct GridColumn {
    std::string fieldName;
    QString title;
    int width = 120;
};

// OdaTanim_S: the table seen as rows and columns, with the pending new row shown where it will
// be placed. Values cross into Unicode here and back into ANSI text on the way in.
class DataSetModel : public QAbstractTableModel, public rooms::DataSetObserver {
    Q_OBJECT
public:
    DataSetModel(rooms::MemoryDataSet& table, std::vector<GridColumn> columns,
                 QObject* parent = nullptr);
    ~DataSetModel() override;

    rooms::MemoryDataSet& table() const { return m_table; }
    const std::vector<GridColumn>& columns() const { return m_columns; }
    rooms::Field fieldOf(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Takes a cell's text into the current record, starting edit or insert state first. A
    // text that does not convert is shown in the error box and the record stays as it was.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The row the table's current (or pending) record stands on; -1 when there is none.
    int currentRow() const;

    void dataEvent(rooms::DataEvent event) override;
    void updateRecord() override;

    // Bound controls that hold text not yet taken into the record hand it in through this.
    std::function<void()> onUpdateRecord;
    // Told when the table's cursor moved, so the view can follow it.
    std::function<void()> onCursorMoved;
    // Where a conversion error is shown.
    std::function<void(const QString&)> onError;

private:
    std::optional<rooms::Value> valueAt(int row, int column) const;

    rooms::MemoryDataSet& m_table;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndex;
    int m_rows = 0;
};

} // namespace zorva::ui
