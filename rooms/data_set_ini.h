#pragma once

#include "rooms/field.h"
#include "rooms/memory_data_set.h"

#include <string>

namespace zorva::rooms {

// Tables in INI files: one section "RecNo<n>" per record in table order, one key per field in
// field order. Numbers use "." as decimal separator whatever the regional settings say;
// dates and times are day numbers since 30 December 1899; booleans are -1 and 0.

// The text that stands in the file for the field's value in the current record; empty for
// null.
std::string FieldToIniText(const Field& field);

// Writes every record of the open table to the file at path. The new file replaces the old
// one only once it is complete; an empty table leaves no file. Raises platform::Error
// "Unable to write to %s" when the file cannot be written or removed, the old file being then
// untouched. The cursor returns to the record it was on.
void SaveDataSetToIni(MemoryDataSet& table, const std::string& path);

// Replaces the table's records with one record per section of the file, in file order
// whatever the sections are called, however many there are. Keys name fields without regard
// to letter case; unknown keys are ignored, and empty or unconvertible values leave the field
// null. The cursor ends on the first record. A missing file gives an empty table; a file that
// exists but cannot be read raises platform::Error and leaves the table as it was.
void LoadDataSetFromIni(MemoryDataSet& table, const std::string& path);

} // namespace zorva::rooms
