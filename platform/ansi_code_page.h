#pragma once

#include <array>

namespace zorva::platform {

// Each Windows-1254 byte's character, as the system's own conversion gives it. The bytes that
// the code page leaves unassigned stand for the C1 controls of the same number, as on Windows.
std::array<char32_t, 256> ansiCharacters();

} // namespace zorva::platform
