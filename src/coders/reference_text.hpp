// Pieces shared by the reference and list coders: reading received tags
// without ever looking past the end of the bytes, object identifiers as text
// both ways, and the element lists of primitive values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/byte_vector.hpp"
#include "encoding/tags.hpp"
#include "tagcore.h"

namespace coders::reference_text {

inline constexpr std::uint32_t kGrammarError = encoding::kStatusValueDoesNotFit;
inline constexpr std::uint32_t kMaxObjectType = 1023;
inline constexpr std::uint32_t kMaxInstance = 4194303;

// One received tag. The class bit is not looked at.
struct WireTag {
    std::uint8_t number = 0;
    bool opening = false;
    bool closing = false;
    std::uint32_t content = 0;  // offset of the first content octet
    std::uint32_t length = 0;   // content octets; 0 for opening and closing tags
    std::uint32_t end = 0;      // offset behind the content
};

// Only the tag byte at offset: enough to test for opening and closing tags.
std::optional<encoding::TagFields> PeekTag(const std::uint8_t* data, std::uint32_t length, std::uint32_t offset);

// The whole tag at offset; nothing when its length octets or content run past
// length. An application Boolean holds its value in the tag byte, so it has
// no content octets.
std::optional<WireTag> ReadTag(const std::uint8_t* data, std::uint32_t length, std::uint32_t offset);

// The content as an unsigned big-endian number.
std::uint32_t TagValue(const std::uint8_t* data, const WireTag& tag);

// Walks nested tags from offset to the closing tag with the given number at
// the same depth and steps over it. A closing tag of another number at that
// depth is left for the caller. False when the bytes end first.
bool SkipToClosing(const std::uint8_t* data, std::uint32_t length, std::uint32_t& offset, std::uint8_t number);

struct ObjectId {
    std::uint32_t type = 0;
    std::uint32_t instance = 0;
};

inline ObjectId SplitObjectId(std::uint32_t identifier) { return ObjectId{identifier >> 22, identifier & kMaxInstance}; }

// "type<separator>instance", both unsigned.
void AppendObjectId(std::u16string& text, ObjectId id, char16_t separator);
void AppendUnsigned(std::u16string& text, std::uint32_t value);
void AppendSigned(std::u16string& text, std::int32_t value);

// "type<separator>instance": exactly two strict numbers (pieces trimmed when
// asked), type 0..1023 and instance 0..4194303.
std::optional<ObjectId> ParseObjectId(std::u16string_view text, char16_t separator, bool trimPieces);

// The whole piece as a strict number cut to 32 bits.
std::optional<std::uint32_t> StrictUnsigned(std::u16string_view piece);

void WriteContextUnsigned(encoding::ByteVector& out, std::uint32_t tagNumber, std::uint32_t value);
void WriteContextObjectId(encoding::ByteVector& out, std::uint32_t tagNumber, ObjectId id);
void WriteOpening(encoding::ByteVector& out, std::uint32_t tagNumber);
void WriteClosing(encoding::ByteVector& out, std::uint32_t tagNumber);

bool IsTextValue(const HostValue& value);
void Store(HostValue& value, const std::u16string& text);

// A list of application values, as the list coders receive it: an optional
// opening tag 3 first, then values up to the first closing tag, of which at
// most maxElements are kept (the rest are stepped over). False when a value
// cannot be decoded or no closing tag comes before the end; on success
// closingOffset is the offset of the closing tag.
bool DecodeValueList(const std::uint8_t* data, std::uint32_t length, std::vector<HostValue>& elements,
                     std::uint32_t& closingOffset);
inline constexpr std::size_t kMaxListElements = 100;

// One object property reference from offset: "type,instance|property", then
// "|index" and "|type,instance" of the device, or "||type,instance" for a
// device without index. False when the bytes end, or a closing tag stands
// where the object or property belongs; what was read stays in text.
bool DecodeReferenceElement(const std::uint8_t* data, std::uint32_t length, std::uint32_t& offset,
                            std::u16string& text);

// The fields of one reference split at "|" (2 to 4): object and property are
// required (18 when they break the grammar); an index that is not a number
// and a bad device identifier are left out.
std::uint32_t EncodeReferenceFields(encoding::ByteVector& out, const std::vector<std::u16string_view>& fields);

}  // namespace coders::reference_text

namespace coders::reference_text {

// The text shared by the group object's read specifications and results:
// entries joined by "|", each "type:instance" optionally followed by "-" and
// the entry's details. Each entry goes out as context tag 0 with the object,
// then the details between an opening and a closing tag 1; writeDetails gets
// the trimmed details when they are not empty. Pieces are trimmed of spaces.
using DetailWriter = std::uint32_t (*)(encoding::ByteVector& out, std::u16string_view details);
std::uint32_t EncodeAccessEntries(encoding::ByteVector& out, const HostValue& value, DetailWriter writeDetails);

}  // namespace coders::reference_text
