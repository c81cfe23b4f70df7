#include "rooms/memory_data_set.h"

#include "platform/ansi_text.h"
#include "platform/error.h"

#include <algorithm>

namespace zorva::rooms {

using platform::Error;

MemoryDataSet::MemoryDataSet(std::string name, std::vector<FieldDef> fields)
    : m_name(std::move(name)), m_fieldDefs(std::move(fields)) {}

MemoryDataSet::~MemoryDataSet() {
    const auto observers = std::move(m_observers);
    m_observers.clear();
    for (auto* observer : observers)
        observer->dataSetDestroyed();
}

Field MemoryDataSet::field(int index) {
    if (index < 0 || index >= fieldCount())
        fail("Field index out of range");
    return Field(*this, index);
}

Field MemoryDataSet::field(std::string_view name) {
    if (auto f = findField(name))
        return *f;
    fail(platform::formatMessage("Field '%s' not found", {name}));
}

std::optional<Field> MemoryDataSet::findField(std::string_view name) {
    for (int i = 0; i < fieldCount(); ++i)
        if (platform::sameTextIgnoreCase(m_fieldDefs[static_cast<std::size_t>(i)].name, name))
            return Field(*this, i);
    return std::nullopt;
}

void MemoryDataSet::fail(std::string_view message) const {
    throw Error(m_name + ": " + std::string(message));
}

void MemoryDataSet::checkActive() const {
    if (!active())
        fail("Cannot perform this operation on a closed dataset");
}

void MemoryDataSet::open() {
    if (active())
        return;
    m_rows.clear();
    m_state = DataSetState::Browse;
    setCursor(-1);
    notify(DataEvent::Changed);
}

void MemoryDataSet::close() {
    if (!active())
        return;
    m_rows.clear();
    m_pending.clear();
    m_modified = false;
    m_state = DataSetState::Inactive;
    setCursor(-1);
    notify(DataEvent::Changed);
}

int MemoryDataSet::recNo() const {
    if (m_state == DataSetState::Insert)
        return pendingInsertIndex() + 1;
    return m_cursor + 1;
}

int MemoryDataSet::pendingInsertIndex() const {
    if (m_appending)
        return recordCount();
    return std::max(m_cursor, 0);
}

void MemoryDataSet::setCursor(int index) {
    m_cursor = index;
    m_bof = m_eof = m_rows.empty();
}

void MemoryDataSet::first() {
    checkActive();
    finishPending();
    setCursor(m_rows.empty() ? -1 : 0);
    m_bof = true;
    notify(DataEvent::Scrolled);
}

void MemoryDataSet::last() {
    checkActive();
    finishPending();
    setCursor(recordCount() - 1);
    m_eof = true;
    notify(DataEvent::Scrolled);
}

void MemoryDataSet::next() {
    checkActive();
    finishPending();
    if (m_eof)
        return;
    m_bof = false;
    if (m_cursor + 1 < recordCount()) {
        ++m_cursor;
        notify(DataEvent::Scrolled);
    } else {
        m_eof = true;
    }
}

void MemoryDataSet::prior() {
    checkActive();
    finishPending();
    if (m_bof)
        return;
    m_eof = false;
    if (m_cursor > 0) {
        --m_cursor;
        notify(DataEvent::Scrolled);
    } else {
        m_bof = true;
    }
}

void MemoryDataSet::moveToRecNo(int recNo) {
    checkActive();
    finishPending();
    if (m_rows.empty() || recNo < 1 || recNo > recordCount())
        return;
    setCursor(recNo - 1);
    notify(DataEvent::Scrolled);
}

Record MemoryDataSet::blankRecord() const {
    return Record(m_fieldDefs.size());
}

void MemoryDataSet::insert() {
    startNewRecord(false);
}

void MemoryDataSet::append() {
    startNewRecord(true);
}

void MemoryDataSet::startNewRecord(bool appending) {
    checkActive();
    if (beforeChange)
        beforeChange(*this);
    finishPending();
    m_appending = appending;
    m_pending = blankRecord();
    m_modified = false;
    m_state = DataSetState::Insert;
    notify(DataEvent::State);
}

void MemoryDataSet::edit() {
    checkActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return;
    if (m_rows.empty()) {
        insert();
        return;
    }
    if (beforeChange)
        beforeChange(*this);
    m_pending = m_rows[static_cast<std::size_t>(m_cursor)].values;
    m_modified = false;
    m_state = DataSetState::Edit;
    notify(DataEvent::State);
}

void MemoryDataSet::updateRecord() {
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        fail("Dataset not in edit or insert mode");
    for (auto* observer : std::vector(m_observers))
        observer->updateRecord();
}

void MemoryDataSet::post() {
    checkActive();
    updateRecord();
    if (m_state == DataSetState::Insert) {
        const int at = pendingInsertIndex();
        m_rows.insert(m_rows.begin() + at, Row{m_nextId++, std::move(m_pending)});
        m_cursor = at;
    } else {
        m_rows[static_cast<std::size_t>(m_cursor)].values = std::move(m_pending);
    }
    m_pending.clear();
    m_modified = false;
    m_appending = false;
    m_state = DataSetState::Browse;
    m_bof = m_eof = false;
    notify(DataEvent::Changed);
    if (afterPost)
        afterPost(*this);
}

void MemoryDataSet::cancel() {
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    m_pending.clear();
    m_modified = false;
    m_appending = false;
    m_state = DataSetState::Browse;
    notify(DataEvent::Changed);
}

void MemoryDataSet::deleteRecord() {
    checkActive();
    if (m_state == DataSetState::Insert) {
        cancel();
        return;
    }
    if (m_rows.empty())
        fail("Cannot perform this operation on an empty dataset");
    if (beforeChange)
        beforeChange(*this);
    m_pending.clear();
    m_modified = false;
    m_state = DataSetState::Browse;
    m_rows.erase(m_rows.begin() + m_cursor);
    const int cursor = std::min(m_cursor, recordCount() - 1);
    setCursor(cursor);
    notify(DataEvent::Changed);
    if (afterDelete)
        afterDelete(*this);
}

void MemoryDataSet::empty() {
    checkActive();
    finishPending();
    m_rows.clear();
    setCursor(-1);
    notify(DataEvent::Changed);
}

void MemoryDataSet::finishPending() {
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    updateRecord();
    if (m_modified)
        post();
    else
        cancel();
}

bool MemoryDataSet::locate(std::string_view fieldName, std::string_view value) {
    checkActive();
    const int index = field(fieldName).index();
    finishPending();
    if (m_rows.empty())
        return false;
    // Equality is exact and case-sensitive, byte for byte; both lengths count, so trailing
    // blanks make a difference.
    const FieldDef& def = m_fieldDefs[static_cast<std::size_t>(index)];
    const auto matches = [&](int row) {
        const auto& stored =
            m_rows[static_cast<std::size_t>(row)].values[static_cast<std::size_t>(index)];
        // A text field's text is what it holds; making a copy of it for every record would
        // cost more than the comparison.
        if (def.type == FieldType::String)
            return stored ? std::get<std::string>(*stored) == value : value.empty();
        return valueToText(stored, def.type, m_settings) == value;
    };
    if (matches(m_cursor)) {
        notify(DataEvent::Scrolled);
        return true;
    }
    disableControls();
    int foundAt = -1;
    for (int row = 0; row < recordCount() && foundAt < 0; ++row)
        if (matches(row))
            foundAt = row;
    const bool found = foundAt >= 0;
    if (found) {
        // Where stepping from the first record would have stopped.
        setCursor(foundAt);
        m_bof = foundAt == 0;
    } else {
        // Back on the record it started from, as returning to a bookmark leaves it.
        m_bof = m_eof = false;
    }
    enableControls();
    if (found)
        notify(DataEvent::Scrolled);
    return found;
}

Bookmark MemoryDataSet::bookmark() const {
    return m_cursor >= 0 && m_cursor < recordCount() ? m_rows[static_cast<std::size_t>(m_cursor)].id
                                                     : 0;
}

int MemoryDataSet::indexOf(Bookmark b) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == b)
            return static_cast<int>(i);
    return -1;
}

bool MemoryDataSet::bookmarkValid(Bookmark b) const {
    return b != 0 && indexOf(b) >= 0;
}

bool MemoryDataSet::gotoBookmark(Bookmark b) {
    checkActive();
    finishPending();
    const int index = b == 0 ? -1 : indexOf(b);
    if (index < 0)
        return false;
    m_cursor = index;
    m_bof = m_eof = false;
    notify(DataEvent::Scrolled);
    return true;
}

void MemoryDataSet::disableControls() {
    ++m_disableCount;
}

void MemoryDataSet::enableControls() {
    if (m_disableCount > 0 && --m_disableCount == 0)
        notify(DataEvent::Changed);
}

void MemoryDataSet::addObserver(DataSetObserver* observer) {
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void MemoryDataSet::removeObserver(DataSetObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

void MemoryDataSet::notify(DataEvent event) {
    if (m_disableCount > 0)
        return;
    for (auto* observer : std::vector(m_observers))
        observer->dataEvent(event);
}

const std::optional<Value>& MemoryDataSet::valueOf(int index) const {
    static const std::optional<Value> none;
    const auto i = static_cast<std::size_t>(index);
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return m_pending[i];
    if (m_cursor < 0 || m_cursor >= recordCount())
        return none;
    return m_rows[static_cast<std::size_t>(m_cursor)].values[i];
}

void MemoryDataSet::setValueOf(int index, std::optional<Value> value) {
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        fail("Dataset not in edit or insert mode");
    auto& slot = m_pending[static_cast<std::size_t>(index)];
    if (slot == value)
        return;
    slot = std::move(value);
    m_modified = true;
    notify(DataEvent::Field);
}

} // namespace zorva::rooms
