#pragma once

#include <string>

namespace zorva::settings {

class Component;

// The directory of the program's data files: the executable's directory, then "Data/Ini/"
// (on Windows with its own separator, "Data\Ini\"). Created with its parents when missing; a
// directory that cannot be made shows up later, when a file cannot be written into it. Computed
// anew on every call.
std::string GetIniDir();

// The directory of the card record: the executable's directory, then "Data/Log/"
// ("Data\Log\"), made as GetIniDir makes its own.
std::string GetLogDir();
// The same folder, without making it: the card record makes it with its first line.
std::string LogDirPath();

// Points a form storage at "<owner>_<storage>.ini" in GetIniDir, with no window placement,
// and activates it. Any other component is left as it is.
void SetupFormStorage(Component& storage);

} // namespace zorva::settings
