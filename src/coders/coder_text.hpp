// Text operations that every property coder shares.
#pragma once

#include <cstddef>
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

// The host value's text as a fetch into a buffer of capacity characters, the
// terminator included, gives it: numbers as HostText writes them, the text
// cut to capacity - 1 characters.
std::u16string HostTextUpTo(const HostValue& value, std::size_t capacity);

// A text host value (kind 3), for handing one field of a text to an encoder.
HostValue TextValue(std::u16string_view text);

// One application-tagged value decoded at data[offset], never reading at or
// beyond size: its text (as HostTextUpTo gives it), the tag number of its
// tag byte and the bytes it took, tag byte included. Nothing when it does
// not decode.
struct DecodedText {
    std::u16string text;
    std::uint8_t tagNumber = 0;
    std::uint32_t consumed = 0;
};
std::optional<DecodedText> DecodeValueText(const std::uint8_t* data, std::uint32_t size, std::uint32_t offset,
                                           std::size_t capacity);

// A tag byte with this tag number (either class) and this LVT.
bool TagIs(std::uint8_t tagByte, std::uint8_t tagNumber, std::uint8_t lvt);

// The pieces with the separator between them.
std::u16string JoinText(const std::vector<std::u16string>& pieces, char16_t separator);

}  // namespace coders
