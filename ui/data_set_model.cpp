#include "ui/data_set_model.h"

#include "platform/ansi_text.h"

namespace zorva::ui {

using rooms::DataSetState;

DataSetModel::DataSetModel(rooms::MemoryDataSet& table, std::vector<GridColumn> columns,
                           QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns)) {
    for (const auto& c : m_columns)
        m_fieldIndex.push_back(m_table.field(c.fieldName).index());
    m_table.addObserver(this);
    m_rows = rowCount();
}

DataSetModel::~DataSetModel() {
    m_table.removeObserver(this);
}

rooms::Field DataSetModel::fieldOf(int column) const {
    return m_table.field(m_fieldIndex.at(static_cast<std::size_t>(column)));
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_table.active())
        return 0;
    return m_table.recordCount() + (m_table.state() == DataSetState::Insert ? 1 : 0);
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

int DataSetModel::currentRow() const {
    if (!m_table.active())
        return -1;
    return m_table.recNo() - 1;
}

std::optional<rooms::Value> DataSetModel::valueAt(int row, int column) const {
    const int field = m_fieldIndex[static_cast<std::size_t>(column)];
    const DataSetState state = m_table.state();
    if ((state == DataSetState::Edit || state == DataSetState::Insert) && row == currentRow())
        return m_table.field(field).value();
    int record = row;
    if (state == DataSetState::Insert && row > m_table.pendingInsertIndex())
        --record;
    if (record < 0 || record >= m_table.recordCount())
        return std::nullopt;
    return m_table.recordAt(record)[static_cast<std::size_t>(field)];
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const auto& def = m_table.fieldDefs()[static_cast<std::size_t>(
        m_fieldIndex[static_cast<std::size_t>(index.column())])];
    const std::string text = rooms::valueToText(valueAt(index.row(), index.column()), def.type,
                                                m_table.formatSettings());
    return QString::fromStdString(platform::ansiToUtf8(text));
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount())
        return m_columns[static_cast<std::size_t>(section)].title;
    if (orientation == Qt::Vertical)
        return section == currentRow() ? QStringLiteral("\u25B6") : QString();
    return {};
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const std::string text = platform::utf8ToAnsi(value.toString().toStdString());
    try {
        auto field = fieldOf(index.column());
        if (field.asString() == text && m_table.state() == DataSetState::Browse)
            return true; // nothing typed; no edit begins
        if (index.row() != currentRow())
            m_table.moveToRecNo(index.row() + 1);
        m_table.edit();
        fieldOf(index.column()).setAsString(text);
    } catch (const std::exception& e) {
        if (onError)
            onError(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

void DataSetModel::dataEvent(rooms::DataEvent event) {
    // A reset closes open cell editors, so it is kept for changes of the rows themselves.
    const int rows = rowCount();
    if (event == rooms::DataEvent::Changed || rows != m_rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    } else if (event == rooms::DataEvent::Field) {
        const int row = currentRow();
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        return;
    } else {
        emit headerDataChanged(Qt::Vertical, 0, std::max(0, rows - 1));
    }
    if (onCursorMoved)
        onCursorMoved();
}

void DataSetModel::updateRecord() {
    if (onUpdateRecord)
        onUpdateRecord();
}

} // namespace zorva::ui
