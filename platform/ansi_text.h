#pragma once

#include <string>
#include <string_view>

namespace zorva::platform {

// ANSI text is Windows-1254 bytes. These convert at the window and log boundary only.
std::string ansiToUtf8(std::string_view ansi);
// Characters that Windows-1254 cannot hold become "?", as the Windows conversion does.
std::string utf8ToAnsi(std::string_view utf8);
// The same two for UTF-16, the text of a file that Windows calls "Unicode". A character beyond
// the first 65,536, which takes two UTF-16 units, becomes one "?".
std::string utf16ToAnsi(std::u16string_view utf16);
std::u16string ansiToUtf16(std::string_view ansi);

// The locale-aware comparison that ignores letter case, as used for message field names.
// Letters are folded by their Unicode lower case, so "I" and "i" are one letter and the
// dotless "ı" is another; no other character is ignored or folded.
bool sameTextIgnoreCase(std::string_view a, std::string_view b);
char ansiLower(char c);

} // namespace zorva::platform
