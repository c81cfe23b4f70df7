#include "ui/mv_dg_field_link.h"

#include "ui/data_set_model.h"

namespace zorva::ui {

using rooms::DataSetState;

FieldLink::~FieldLink() {
    detach();
}

void FieldLink::attach() {
    if (!m_source || !m_source->table())
        return;
    m_table = m_source->table();
    m_table->addObserver(this);
    // The source can go before the table does; the table must then forget this link.
    m_sourceGone = QObject::connect(m_source, &QObject::destroyed, [this] {
        detach();
        changed();
    });
}

void FieldLink::detach() {
    QObject::disconnect(m_sourceGone);
    if (m_table)
        m_table->removeObserver(this);
    m_table = nullptr;
}

void FieldLink::setDataSource(DataSetModel* source) {
    if (source == m_source && (m_table || !source))
        return;
    detach();
    m_source = source;
    attach();
    changed();
}

void FieldLink::setFieldName(const QString& name) {
    if (name == m_fieldName)
        return;
    m_fieldName = name;
    changed();
}

std::optional<rooms::Field> FieldLink::field() const {
    if (!m_table || !m_table->active() || m_fieldName.isEmpty())
        return std::nullopt;
    return m_table->findField(m_fieldName.toStdString());
}

bool FieldLink::edit() {
    if (!field())
        return false;
    if (m_table->state() != DataSetState::Edit && m_table->state() != DataSetState::Insert)
        m_table->edit();
    return true;
}

void FieldLink::reset() {
    changed();
}

void FieldLink::changed() {
    m_modified = false;
    if (onDataChange)
        onDataChange();
}

void FieldLink::handIn() {
    if (!m_modified || !edit())
        return;
    if (onUpdateData)
        onUpdateData();
    changed();
}

void FieldLink::dataEvent(rooms::DataEvent event) {
    switch (event) {
    case rooms::DataEvent::Changed:
    case rooms::DataEvent::Scrolled:
        changed();
        break;
    case rooms::DataEvent::Field:
        // A field written elsewhere shows, unless the operator is changing this one.
        if (!m_modified && onDataChange)
            onDataChange();
        break;
    case rooms::DataEvent::State:
        break;
    }
}

void FieldLink::updateRecord() {
    handIn();
}

void FieldLink::dataSetDestroyed() {
    QObject::disconnect(m_sourceGone);
    m_table = nullptr;
}

} // namespace zorva::ui
