#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "rooms/memory_data_set.h"
#endif

#include <QMetaObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace zorva::ui {

class DataSetModel;

// What a data-bound control knows of its field: the data source and the field it is bound to,
// whether the operator has changed the value it shows, and when to show the field anew or to
// hand the changed value in. The control decides how a value looks and how it is written.
class FieldLink : public rooms::DataSetObserver {
public:
    FieldLink() = default;
    ~FieldLink() override;
    FieldLink(const FieldLink&) = delete;
    FieldLink& operator=(const FieldLink&) = delete;

    void setDataSource(DataSetModel* source);
    DataSetModel* dataSource() const { return m_source; }
    void setFieldName(const QString& name);
    const QString& fieldName() const { return m_fieldName; }

    // The bound field, read in the record the table exposes; none while unbound, while the
    // table is closed or when it has no such field.
    std::optional<rooms::Field> field() const;
    // Starts edit state (insert on an empty table) so that the control may change its field;
    // false when there is no field to change.
    bool edit();
    bool modified() const { return m_modified; }
    void setModified() { m_modified = true; }
    // Shows the field's value again; what the operator changed is dropped.
    void reset();
    // Hands a changed value in. Raises when it does not convert; it then stays changed.
    void handIn();

    void dataEvent(rooms::DataEvent event) override;
    void updateRecord() override;
    void dataSetDestroyed() override;

    std::function<void()> onDataChange; // show the field's value
    std::function<void()> onUpdateData; // write the control's value into the field

private:
    void attach();
    void detach();
    void changed();

    QPointer<DataSetModel> m_source;
    rooms::MemoryDataSet* m_table = nullptr;
    QString m_fieldName;
    bool m_modified = false;
    QMetaObject::Connection m_sourceGone;
};

} // namespace zorva::ui
