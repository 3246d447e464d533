// Shared pieces of the driver's text forms: splitting at a delimiter and
// reading a whole text as a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace encoding {

// All parts in order, empty ones included: "a::b" gives a, "", b; "" gives
// one empty part; a trailing delimiter gives an empty last part.
std::vector<std::u16string_view> SplitText(std::u16string_view text, std::u16string_view delimiter);

// The whole text read as a decimal floating-point number (leading blanks
// allowed; "12", "12.0" and "1.2e1" alike), truncated toward zero to 32 bits.
// Empty text, trailing characters and infinite values give nothing.
std::optional<std::int32_t> ReadWholeNumber(std::u16string_view text);

// The same reading, keeping the fraction.
std::optional<double> ReadWholeDouble(std::u16string_view text);

// Leading sign and digits as a decimal text-to-integer conversion reads
// them; no digits give 0.
std::int32_t ReadLeadingInteger(std::u16string_view text);

}  // namespace encoding
