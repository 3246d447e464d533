// Numbers in the driver's value texts: reading a whole text as a number and
// writing decimal digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace encoding {

// The whole text as a decimal floating-point number: optional leading white
// space, optional sign, digits with an optional decimal point, optional
// exponent, nothing behind. "12", "12.9", "1e3" and " 7" are numbers; "",
// "12a", "12 " and "x" are not, nor is a value too large for a double.
// Independent of the process locale.
bool ParseRealNumber(std::u16string_view text, double& out);

// The same reading, truncated toward zero to 32 bits. Values beyond the range
// saturate. For the unsigned reading, a negative value in the signed range
// becomes its two's complement (-1 gives 0xFFFFFFFF), as it does when such a
// value is written as Unsigned.
bool ParseNumber(std::u16string_view text, std::int32_t& out);
bool ParseUnsignedNumber(std::u16string_view text, std::uint32_t& out);

// Plain decimal digits, "-" first for negatives: what "%d" and "%u" write.
void AppendDecimal(std::u16string& out, std::int64_t value);

// Truncation toward zero to a signed 32-bit integer; values beyond the range
// saturate, and NaN, which has no integer, gives false.
bool TruncateToInt32(double value, std::int32_t& out);

}  // namespace encoding
