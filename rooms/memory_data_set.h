#pragma once

#include "platform/clock.h"
#include "platform/format_settings.h"
#include "rooms/field.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorva::rooms {

enum class DataSetState { Inactive, Browse, Edit, Insert };

enum class DataEvent {
    Changed,  // records or their values changed; bound controls redraw everything
    Scrolled, // the current record moved
    State,    // browse, edit or insert began
    Field,    // a field of the current or pending record changed
};

// A control bound to the table: told of changes, and asked to hand in what it holds before
// the pending record is posted or the pending change is finished.
class DataSetObserver {
public:
    virtual ~DataSetObserver() = default;
    virtual void dataEvent(DataEvent) {}
    virtual void updateRecord() {}
    // The table is going away: an observer that outlives it must not reach it again.
    virtual void dataSetDestroyed() {}
};

using Bookmark = std::uint64_t;

// An in-memory table: typed nullable fields, one ordered sequence of records, a cursor and the
// browse / edit / insert states. Errors raise platform::Error with the table's name in front.
class MemoryDataSet {
public:
    MemoryDataSet(std::string name, std::vector<FieldDef> fields);
    ~MemoryDataSet();
    MemoryDataSet(const MemoryDataSet&) = delete;
    MemoryDataSet& operator=(const MemoryDataSet&) = delete;

    const std::string& name() const { return m_name; }
    const std::vector<FieldDef>& fieldDefs() const { return m_fieldDefs; }
    int fieldCount() const { return static_cast<int>(m_fieldDefs.size()); }
    Field field(int index);
    Field field(std::string_view name); // raises when the table has no such field
    std::optional<Field> findField(std::string_view name);

    // Used for the text form of floating-point and date fields.
    void setFormatSettings(platform::FormatSettings settings) { m_settings = std::move(settings); }
    const platform::FormatSettings& formatSettings() const { return m_settings; }
    void setClock(platform::Clock clock) { m_clock = std::move(clock); }
    platform::DateTime now() const { return m_clock(); }

    void open();
    void close();
    bool active() const { return m_state != DataSetState::Inactive; }
    DataSetState state() const { return m_state; }
    bool modified() const { return m_modified; }

    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    // 1-based position of the current record; 0 when there is none.
    int recNo() const;
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }

    void first();
    void prior();
    void next();
    void last();
    // Moves to the record at a 1-based position, as a grid does when a row is clicked.
    void moveToRecNo(int recNo);

    void insert();
    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord();
    void empty();

    // Posts the pending record when a field was changed, cancels it otherwise.
    void finishPending();

    // Looks for a record whose text in the field equals the value exactly, starting with the
    // current record, then from the first. Not found leaves the cursor where it was.
    bool locate(std::string_view fieldName, std::string_view value);

    Bookmark bookmark() const;
    bool bookmarkValid(Bookmark b) const;
    bool gotoBookmark(Bookmark b);

    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    void addObserver(DataSetObserver* observer);
    void removeObserver(DataSetObserver* observer);

    std::function<void(MemoryDataSet&)> afterPost;
    std::function<void(MemoryDataSet&)> afterDelete;
    // Runs before a record is edited, inserted, appended or deleted; what it throws stops that
    // change before it begins, leaving the table as it was.
    std::function<void(MemoryDataSet&)> beforeChange;

    // The values of a record at a 0-based position in table order, for display.
    const Record& recordAt(int index) const {
        return m_rows.at(static_cast<std::size_t>(index)).values;
    }
    // The position that the pending new record will take when posted (0-based).
    int pendingInsertIndex() const;

private:
    friend class Field;
    struct Row {
        Bookmark id;
        Record values;
    };

    [[noreturn]] void fail(std::string_view message) const;
    void checkActive() const;
    const std::optional<Value>& valueOf(int index) const;
    void setValueOf(int index, std::optional<Value> value);
    void notify(DataEvent event);
    void updateRecord();
    Record blankRecord() const;
    void startNewRecord(bool appending);
    int indexOf(Bookmark b) const;
    void setCursor(int index);

    std::string m_name;
    std::vector<FieldDef> m_fieldDefs;
    platform::FormatSettings m_settings;
    platform::Clock m_clock = platform::localNow;

    std::vector<Row> m_rows;
    int m_cursor = -1;
    bool m_bof = true;
    bool m_eof = true;
    DataSetState m_state = DataSetState::Inactive;
    Record m_pending;
    bool m_modified = false;
    bool m_appending = false;
    Bookmark m_nextId = 1;

    int m_disableCount = 0;
    std::vector<DataSetObserver*> m_observers;
};

} // namespace zorva::rooms
