#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorva::app {

// The fields of a check-in datagram: the bytes up to the first NUL, cut at every "^", CR LF,
// lone CR and lone LF. A separator at the very end adds no field.
std::vector<std::string> splitMessageFields(std::string_view datagram);

// The value of the first field whose name (the text before its first "=", untrimmed) equals
// the given name without regard to case; the empty text when no field carries the name.
std::string messageValue(const std::vector<std::string>& fields, std::string_view name);

// Whether a field carries the name, compared as messageValue compares it.
bool carriesField(const std::vector<std::string>& fields, std::string_view name);

} // namespace zorva::app
