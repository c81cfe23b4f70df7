#pragma once

#include "platform/date_time.h"
#include "platform/format_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zorva::rooms {

enum class FieldType { Integer, String, Boolean, Float, Currency, Date, Time, DateTime };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Integer;
    int size = 0; // characters, for text fields
    int tag = 0;
};

using Value = std::variant<std::int32_t, std::string, bool, double, platform::DateTime>;
using Record = std::vector<std::optional<Value>>;

class MemoryDataSet;

// The text form of a value: decimal integers, "True" / "False", numbers in general format and
// dates by the regional formats; null gives the empty text.
std::string valueToText(const std::optional<Value>& value, FieldType type,
                        const platform::FormatSettings& settings);

// One field of a table, read and written in the record the table currently exposes: the
// current record when browsing, the pending one while editing or inserting.
class Field {
public:
    Field(MemoryDataSet& table, int index) : m_table(&table), m_index(index) {}

    const FieldDef& def() const;
    const std::string& name() const { return def().name; }
    FieldType type() const { return def().type; }
    int size() const { return def().size; }
    int tag() const { return def().tag; }
    int index() const { return m_index; }

    const std::optional<Value>& value() const;
    bool isNull() const { return !value().has_value(); }

    // Null reads as 0, false, the empty text or the epoch.
    std::int32_t asInteger() const;
    bool asBoolean() const;
    double asFloat() const;
    platform::DateTime asDateTime() const;
    std::string asString() const;

    // Setting from text converts by the field's type; empty text makes any field null.
    void setAsString(std::string_view text);
    void setAsInteger(std::int32_t value);
    void setAsBoolean(bool value);
    void setAsFloat(double value);
    void setAsDateTime(platform::DateTime value);
    void clear();
    void setValue(std::optional<Value> value);

private:
    MemoryDataSet* m_table;
    int m_index;
};

} // namespace zorva::rooms
