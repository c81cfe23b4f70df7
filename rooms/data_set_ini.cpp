#include "rooms/data_set_ini.h"

#include "platform/ansi_text.h"
#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"

#include <cmath>

namespace zorva::rooms {

using platform::DateTime;
using platform::IniFile;

namespace {

std::string withDecimalSeparator(std::string text, char separator) {
    for (char& c : text)
        if (c == '.')
            c = separator;
    return text;
}

// The day numbers of 1 January 0001 and of the day after 31 December 9999: the dates that the
// date and time conversions can show.
constexpr double firstDay = -693593;
constexpr double endDay = 2958466;

void setFromIniText(Field field, const std::string& text, char decimalSeparator) {
    switch (field.type()) {
    case FieldType::Boolean: {
        std::int32_t number = 0;
        if (platform::tryStrToInt32(text, number))
            field.setAsBoolean(number != 0);
        else
            field.setAsBoolean(platform::sameTextIgnoreCase(text, "True"));
        return;
    }
    case FieldType::Float:
    case FieldType::Currency:
        field.setAsString(withDecimalSeparator(text, decimalSeparator));
        return;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime: {
        double days = 0;
        if (platform::tryStrToFloat(withDecimalSeparator(text, decimalSeparator), decimalSeparator,
                                    days) &&
            std::isfinite(days) && days >= firstDay && days < endDay)
            field.setAsDateTime(DateTime::fromDays(days));
        return;
    }
    case FieldType::Integer:
    case FieldType::String:
        field.setAsString(text);
        return;
    }
}

void loadSection(MemoryDataSet& table, const platform::IniSection& section) {
    const char decimalSeparator = table.formatSettings().decimalSeparator;
    table.append();
    for (const std::string& line : section.lines) {
        const auto eq = line.find('=');
        const auto field = table.findField(std::string_view(line).substr(0, eq));
        const std::string value = line.substr(eq + 1);
        if (!field || value.empty())
            continue;
        try {
            setFromIniText(*field, value, decimalSeparator);
        } catch (const platform::Error&) {
            // A value that does not convert leaves its field null; the rest of the file loads.
        }
    }
    table.post();
}

} // namespace

std::string FieldToIniText(const Field& field) {
    if (field.isNull())
        return {};
    switch (field.type()) {
    case FieldType::Boolean:
        return field.asBoolean() ? "-1" : "0";
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        return platform::formatFloatGeneral(field.asFloat(), '.', 15);
    case FieldType::Integer:
    case FieldType::String:
        return field.asString();
    }
    return {};
}

void SaveDataSetToIni(MemoryDataSet& table, const std::string& path) {
    // Built in memory and written whole: the old file stays as it is until the new one is
    // complete, so a failed save never costs the room table.
    IniFile ini(path, IniFile::Mode::Replace);
    const Bookmark remembered = table.bookmark();
    table.first();
    table.disableControls();
    const auto restore = [&] {
        table.gotoBookmark(remembered);
        table.enableControls();
    };
    try {
        while (!table.eof()) {
            const std::string section = "RecNo" + std::to_string(table.recNo());
            for (int i = 0; i < table.fieldCount(); ++i) {
                const Field field = table.field(i);
                ini.writeString(section, field.name(), FieldToIniText(field));
            }
            table.next();
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    ini.close();
}

void LoadDataSetFromIni(MemoryDataSet& table, const std::string& path) {
    const IniFile ini(path);
    // Loading an unreadable file as empty would let the next save replace it.
    if (ini.readFailed())
        throw platform::Error(
            platform::formatMessage("Cannot open file \"%s\". %s", {path, ini.readFailure()}));
    table.open();
    table.empty();
    table.disableControls();
    try {
        for (const platform::IniSection& section : ini.readAllSections())
            loadSection(table, section);
        table.first();
    } catch (...) {
        table.cancel();
        table.enableControls();
        throw;
    }
    table.enableControls();
}

} // namespace zorva::rooms
