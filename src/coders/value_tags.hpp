// The tags of a constructed value: read one at a time from received bytes
// without ever looking past their end, and the few tagged fields that the
// coders write alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "encoding/byte_vector.hpp"
#include "encoding/tags.hpp"

namespace coders::value_tags {

struct ValueTag {
    std::uint8_t number = 0;    // the high four bits; the class bit is not looked at
    std::uint8_t lvt = 0;       // the low three bits
    std::uint32_t content = 0;  // offset of the first content octet
    std::uint32_t length = 0;   // content octets; 0 for opening and closing tags

    bool IsOpening() const { return lvt == encoding::kLvtOpening; }
    bool IsClosing() const { return lvt == encoding::kLvtClosing; }
    bool IsPrimitive() const { return !IsOpening() && !IsClosing(); }
    std::uint32_t End() const { return content + length; }
};

// The tag at offset, its LVT read as a length (LVT 5: the extended length
// octets). Nothing when the tag byte, its length octets or its content lie at
// or beyond size. An application Boolean carries its value in the LVT, so its
// callers take the tag byte alone.
std::optional<ValueTag> TagAt(const std::uint8_t* data, std::uint32_t size, std::uint32_t offset);

// The content as an unsigned big-endian number; octets beyond four push the
// earliest out.
std::uint32_t UnsignedContent(const std::uint8_t* data, const ValueTag& tag);

// The content read unsigned and written as a signed 32-bit number: a
// four-octet value with the top bit set shows negative, a shorter one never.
std::u16string RawText(const std::uint8_t* data, const ValueTag& tag);

// "type<separator>instance" of an object identifier held in the content.
std::u16string ObjectIdText(const std::uint8_t* data, const ValueTag& tag, char16_t separator);

// The offset behind the closing tag that matches the opening tag at offset,
// walking nested tags; size when the bytes end first.
std::uint32_t SkipConstructed(const std::uint8_t* data, std::uint32_t size, std::uint32_t offset);

// ---- Writing ----

// Context tag tagNumber with value in the fewest octets.
void EncodeContextUnsigned(encoding::ByteVector& out, std::uint32_t tagNumber, std::uint32_t value);

struct ObjectId {
    std::uint32_t type;
    std::uint32_t instance;
};

// Object type and instance as strict numbers within 0..1023 and 0..4194303.
std::optional<ObjectId> StrictObjectId(std::u16string_view typeText, std::u16string_view instanceText);

}  // namespace coders::value_tags
