#include "rooms/field.h"

#include "platform/ansi_text.h"
#include "platform/date_text.h"
#include "platform/error.h"
#include "platform/number_text.h"
#include "rooms/memory_data_set.h"

#include <cmath>

namespace zorva::rooms {

using platform::DateTime;
using platform::Error;
using platform::formatMessage;

std::string valueToText(const std::optional<Value>& value, FieldType type,
                        const platform::FormatSettings& settings) {
    if (!value)
        return {};
    switch (type) {
    case FieldType::Integer:
        return std::to_string(std::get<std::int32_t>(*value));
    case FieldType::String:
        return std::get<std::string>(*value);
    case FieldType::Boolean:
        return std::get<bool>(*value) ? "True" : "False";
    case FieldType::Float:
    case FieldType::Currency:
        return platform::formatFloatGeneral(std::get<double>(*value), settings.decimalSeparator);
    case FieldType::Date:
        return platform::formatDateTime(settings.shortDateFormat, std::get<DateTime>(*value),
                                        settings);
    case FieldType::Time:
        return platform::formatDateTime(settings.longTimeFormat, std::get<DateTime>(*value),
                                        settings);
    case FieldType::DateTime:
        return platform::dateTimeToStr(std::get<DateTime>(*value), settings);
    }
    return {};
}

const FieldDef& Field::def() const {
    return m_table->m_fieldDefs[static_cast<std::size_t>(m_index)];
}

const std::optional<Value>& Field::value() const {
    return m_table->valueOf(m_index);
}

std::int32_t Field::asInteger() const {
    const auto& v = value();
    if (!v)
        return 0;
    if (const auto* i = std::get_if<std::int32_t>(&*v))
        return *i;
    if (const auto* b = std::get_if<bool>(&*v))
        return *b ? 1 : 0;
    if (const auto* d = std::get_if<double>(&*v))
        return static_cast<std::int32_t>(std::llround(*d));
    std::int32_t parsed = 0;
    if (const auto* s = std::get_if<std::string>(&*v); s && platform::tryStrToInt32(*s, parsed))
        return parsed;
    return 0;
}

bool Field::asBoolean() const {
    const auto& v = value();
    if (!v)
        return false;
    if (const auto* b = std::get_if<bool>(&*v))
        return *b;
    return asInteger() != 0;
}

double Field::asFloat() const {
    const auto& v = value();
    if (!v)
        return 0;
    if (const auto* d = std::get_if<double>(&*v))
        return *d;
    if (const auto* t = std::get_if<DateTime>(&*v))
        return t->toDays();
    return asInteger();
}

DateTime Field::asDateTime() const {
    const auto& v = value();
    if (!v)
        return {};
    if (const auto* t = std::get_if<DateTime>(&*v))
        return *t;
    return DateTime::fromDays(asFloat());
}

std::string Field::asString() const {
    return valueToText(value(), type(), m_table->formatSettings());
}

namespace {

bool startsBooleanWord(std::string_view text, std::string_view word) {
    return text.size() <= word.size() &&
           platform::sameTextIgnoreCase(text, word.substr(0, text.size()));
}

} // namespace

void Field::setAsString(std::string_view text) {
    if (text.empty()) {
        clear();
        return;
    }
    const auto& fs = m_table->formatSettings();
    const auto invalid = [&](std::string_view pattern) {
        return Error(formatMessage(pattern, {platform::ansiToUtf8(text), name()}));
    };
    switch (type()) {
    case FieldType::Integer: {
        std::int32_t parsed = 0;
        if (!platform::tryStrToInt32(text, parsed))
            throw invalid("'%s' is not a valid integer value for field '%s'");
        setValue(parsed);
        return;
    }
    case FieldType::String:
        setValue(std::string(text.substr(0, static_cast<std::size_t>(std::max(size(), 0)))));
        return;
    case FieldType::Boolean:
        if (startsBooleanWord(text, "True"))
            setValue(true);
        else if (startsBooleanWord(text, "False"))
            setValue(false);
        else
            throw invalid("'%s' is not a valid boolean value for field '%s'");
        return;
    case FieldType::Float:
    case FieldType::Currency: {
        double parsed = 0;
        if (!platform::tryStrToFloat(text, fs.decimalSeparator, parsed))
            throw invalid("'%s' is not a valid floating point value for field '%s'");
        setValue(parsed);
        return;
    }
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime: {
        DateTime parsed;
        if (!platform::tryStrToDateTime(text, fs, m_table->now().fields().year, parsed))
            throw Error(
                formatMessage("'%s' is not a valid date and time", {platform::ansiToUtf8(text)}));
        if (type() == FieldType::Date)
            parsed = DateTime::fromMilliseconds(parsed.datePart() * DateTime::msPerDay);
        else if (type() == FieldType::Time)
            parsed = DateTime::fromMilliseconds(parsed.timeOfDayMs());
        setValue(parsed);
        return;
    }
    }
}

void Field::setAsInteger(std::int32_t v) {
    if (type() == FieldType::Integer)
        setValue(v);
    else
        setAsString(std::to_string(v));
}

void Field::setAsBoolean(bool v) {
    if (type() == FieldType::Boolean)
        setValue(v);
    else
        setAsInteger(v ? 1 : 0);
}

void Field::setAsFloat(double v) {
    switch (type()) {
    case FieldType::Float:
    case FieldType::Currency:
        setValue(v);
        return;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        setValue(DateTime::fromDays(v));
        return;
    default:
        setAsString(platform::formatFloatGeneral(v, m_table->formatSettings().decimalSeparator));
    }
}

void Field::setAsDateTime(DateTime v) {
    if (type() == FieldType::Date || type() == FieldType::Time || type() == FieldType::DateTime)
        setValue(v);
    else
        setAsFloat(v.toDays());
}

void Field::clear() {
    setValue(std::nullopt);
}

void Field::setValue(std::optional<Value> v) {
    // An empty name is no name at all.
    if (v && type() == FieldType::String) {
        auto& text = std::get<std::string>(*v);
        if (text.size() > static_cast<std::size_t>(std::max(size(), 0)))
            text.resize(static_cast<std::size_t>(std::max(size(), 0)));
        if (text.empty())
            v.reset();
    }
    m_table->setValueOf(m_index, std::move(v));
}

} // namespace zorva::rooms
