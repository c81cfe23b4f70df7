#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zorva::platform {

// Whole numbers as the field conversions read them: leading spaces, an optional sign, then
// decimal digits, or hexadecimal ones after "$", "x" or "0x" (either case). Decimal values
// must lie in the 32-bit range; hexadecimal ones may use all 32 bits ("$FFFFFFFF" is -1).
bool tryStrToInt32(std::string_view text, std::int32_t& out);

// General format with up to 15 significant digits, no thousands separators, scientific
// notation as "1.5E20" where plain digits would not do; the given decimal separator.
std::string formatFloatGeneral(double value, char decimalSeparator, int precision = 15);

// Spaces around the number are allowed; the decimal separator is the given one.
bool tryStrToFloat(std::string_view text, char decimalSeparator, double& out);

} // namespace zorva::platform
