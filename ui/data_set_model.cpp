#include "ui/data_set_model.h"

#include "platform/ansi_text.h"
#include "platform/error.h"

namespace zorva::ui {

using rooms::DataSetState;

namespace {

QString unicode(const std::string& ansi) {
    return QString::fromStdString(platform::ansiToUtf8(ansi));
}

std::string ansi(const QString& text) {
    return platform::utf8ToAnsi(text.toStdString());
}

} // namespace

DataSetModel::DataSetModel(rooms::MemoryDataSet& table, std::vector<GridColumn> columns,
                           QObject* parent)
    : QAbstractTableModel(parent), m_table(&table), m_columns(std::move(columns)) {
    for (const auto& c : m_columns)
        m_fieldIndex.push_back(table.field(c.fieldName).index());
    table.addObserver(this);
    m_rows = rowCount();
}

DataSetModel::~DataSetModel() {
    if (m_table)
        m_table->removeObserver(this);
}

bool DataSetModel::editing() const {
    return m_table &&
           (m_table->state() == DataSetState::Edit || m_table->state() == DataSetState::Insert);
}

const rooms::FieldDef& DataSetModel::fieldDefOf(int column) const {
    return m_table->fieldDefs().at(
        static_cast<std::size_t>(m_fieldIndex.at(static_cast<std::size_t>(column))));
}

QString DataSetModel::fieldNameOf(int column) const {
    if (!m_table || column < 0 || column >= columnCount())
        return {};
    return QString::fromStdString(fieldDefOf(column).name);
}

rooms::Field DataSetModel::fieldOf(int column) const {
    return m_table->field(m_fieldIndex.at(static_cast<std::size_t>(column)));
}

int DataSetModel::fieldIndexOf(const QString& fieldName) const {
    if (!m_table)
        throw platform::Error("Missing data source");
    return m_table->field(fieldName.toStdString()).index();
}

QString DataSetModel::fieldText(const QString& fieldName) const {
    if (!active() || fieldName.isEmpty())
        return {};
    const auto field = m_table->findField(fieldName.toStdString());
    return field ? unicode(field->asString()) : QString();
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !active())
        return 0;
    const int pending = m_table->state() == DataSetState::Insert ? 1 : 0;
    return std::max(m_table->recordCount() + pending, 1);
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

int DataSetModel::currentRow() const {
    if (!active())
        return -1;
    return std::max(m_table->recNo() - 1, 0);
}

std::optional<rooms::Value> DataSetModel::valueAt(int row, int column) const {
    const int field = m_fieldIndex[static_cast<std::size_t>(column)];
    if (editing() && row == currentRow())
        return m_table->field(field).value();
    int record = row;
    if (m_table->state() == DataSetState::Insert && row > m_table->pendingInsertIndex())
        --record;
    if (record < 0 || record >= m_table->recordCount())
        return std::nullopt;
    return m_table->recordAt(record)[static_cast<std::size_t>(field)];
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !active() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const auto& def = fieldDefOf(index.column());
    return unicode(rooms::valueToText(valueAt(index.row(), index.column()), def.type,
                                      m_table->formatSettings()));
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount())
        return m_columns[static_cast<std::size_t>(section)].title;
    if (orientation == Qt::Vertical && section == currentRow()) {
        // The record indicator: a pointer while browsing, a caret while editing, a star for
        // the new row.
        switch (m_table->state()) {
        case DataSetState::Edit:
            return QStringLiteral("I");
        case DataSetState::Insert:
            return QStringLiteral("*");
        default:
            return QStringLiteral("\u25B6");
        }
    }
    return orientation == Qt::Vertical ? QVariant(QString()) : QVariant();
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    // Only the current row takes text: moving the cursor belongs to the view.
    if (!index.isValid() || role != Qt::EditRole || index.row() != currentRow())
        return false;
    try {
        setCellText(index.column(), value.toString());
    } catch (const std::exception& e) {
        if (onError)
            onError(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

void DataSetModel::setCellText(int column, const QString& text) {
    setFieldText(fieldNameOf(column), text);
}

void DataSetModel::setFieldText(const QString& fieldName, const QString& text) {
    const int index = fieldIndexOf(fieldName);
    const std::string bytes = ansi(text);
    // Handing in a text that is already there begins no edit.
    if (!editing() && m_table->field(index).asString() == bytes)
        return;
    m_table->edit();
    m_table->field(index).setAsString(bytes);
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

void DataSetModel::dataSetDestroyed() {
    beginResetModel();
    m_table = nullptr;
    m_rows = 0;
    endResetModel();
}

} // namespace zorva::ui
