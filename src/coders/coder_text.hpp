// Text operations that every property coder shares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/text_forms.hpp"
#include "tagcore.h"

namespace coders {

using encoding::SplitText;

// Removes leading and trailing spaces (U+0020 only).
std::u16string_view Trim(std::u16string_view text);

// A whole piece read as a finite number, truncated to 64 bits; nothing when
// the piece is not exactly a number. Callers narrow it to their field.
std::optional<std::int64_t> StrictNumber(std::u16string_view piece);

// Signed and unsigned decimal without leading zeros or spaces.
std::u16string SignedText(std::int64_t value);
std::u16string UnsignedText(std::uint64_t value);

// The host value's text as Encode reads it (numbers as decimal text).
std::u16string HostText(const HostValue& value);

}  // namespace coders
