#include "encoding/application_values.hpp"

#include <limits>
#include <optional>
#include <string>

#include "encoding/date_time_text.hpp"
#include "encoding/host_value.hpp"
#include "encoding/primitive_text.hpp"
#include "encoding/tags.hpp"
#include "platform/trace.hpp"

namespace encoding {
namespace {

constexpr std::uint8_t kLastApplicationTag = kTagObjectIdentifier;
// Content octets of Real, Date, Time and object identifier.
constexpr std::size_t kFixedContent = 4;
// The length octet and eight octets of a Double.
constexpr std::size_t kDoubleContent = 9;

constexpr std::uint8_t kContextClassBit = 0x08;
// Integers wider than this many octets are taken as malformed.
constexpr std::size_t kWidestInteger = 8;
// The largest magnitude up to which every integer has an exact double.
constexpr std::uint64_t kExactInDouble = std::uint64_t{1} << 53;

void Store(HostValue& value, const std::u16string& text) { ::StoreText(&value, text.c_str()); }

template <typename Number>
std::u16string Digits(Number number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

// The content length behind a tag byte, or nothing when its extended-length
// octets are cut short. lengthOctets receives the count of those octets.
std::optional<std::size_t> ContentLength(const std::uint8_t* content, std::size_t remaining, std::uint8_t lvt,
                                         std::size_t& lengthOctets) {
    lengthOctets = 0;
    if (lvt != kLvtExtendedLength) return lvt;
    if (remaining == 0) return std::nullopt;
    const std::size_t needed = content[0] == 254 ? 3 : content[0] == 255 ? 5 : 1;
    if (remaining < needed) return std::nullopt;
    return DecodeLength(content, remaining, lvt, lengthOctets);
}

void StoreString(std::uint8_t tagNumber, const std::uint8_t* octets, std::size_t n, HostValue& value) {
    switch (tagNumber) {
    case kTagOctetString: Store(value, OctetStringText(octets, n)); break;
    case kTagCharacterString: Store(value, DecodeCharacterString(octets, n)); break;
    default: Store(value, BitStringText(octets, n)); break;
    }
}

// Octet, character and bit strings. Strictly, a length that runs past the
// input is malformed; otherwise it gives the empty text and stops behind the
// length octets, so that what the caller expects next rejects the message.
ValueDecode DecodeString(std::uint8_t tagNumber, const std::uint8_t* content, std::size_t remaining,
                         std::uint8_t lvt, bool strict, HostValue& value, std::size_t& consumed) {
    std::size_t lengthOctets = 0;
    const auto n = ContentLength(content, remaining, lvt, lengthOctets);
    if (!n || remaining - lengthOctets < *n) {
        if (strict) return ValueDecode::kMalformed;
        lengthOctets = 0;
        DecodeLength(content, remaining, lvt, lengthOctets);
        Store(value, std::u16string());
        consumed = 1 + lengthOctets;
        return ValueDecode::kValue;
    }
    if (*n == 0)
        Store(value, std::u16string());
    else
        StoreString(tagNumber, content + lengthOctets, *n, value);
    consumed = 1 + lengthOctets + *n;
    return ValueDecode::kValue;
}

// Unsigned, Signed and Enumerated of up to eight octets. What fits 32 bits
// is an integer; what a double holds exactly is a double; anything larger
// is left as its exact decimal text, which only a text form may show.
ValueDecode DecodeInteger(std::uint8_t tagNumber, const std::uint8_t* content, std::size_t remaining,
                          std::uint8_t lvt, HostValue& value, std::size_t& consumed) {
    std::size_t lengthOctets = 0;
    const auto n = ContentLength(content, remaining, lvt, lengthOctets);
    if (!n || *n > kWidestInteger || remaining - lengthOctets < *n) return ValueDecode::kMalformed;
    const std::uint8_t* octets = content + lengthOctets;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < *n; ++i) bits = (bits << 8) | octets[i];
    consumed = 1 + lengthOctets + *n;
    if (tagNumber != kTagSigned) {
        if (bits <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            SetInteger(value, static_cast<std::int32_t>(bits));
            return ValueDecode::kValue;
        }
        if (bits <= kExactInDouble) {
            SetDouble(value, static_cast<double>(bits));
            return ValueDecode::kValue;
        }
        Store(value, Digits(bits));
        return ValueDecode::kBeyondExactRange;
    }
    // Narrower than 64 bits: the first octet's top bit is the sign.
    if (*n > 0 && *n < kWidestInteger && (octets[0] & 0x80) != 0) bits |= ~std::uint64_t{0} << (8 * *n);
    const auto number = static_cast<std::int64_t>(bits);
    if (number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::int32_t>::max()) {
        SetInteger(value, static_cast<std::int32_t>(number));
        return ValueDecode::kValue;
    }
    const std::uint64_t magnitude = number < 0 ? 0 - bits : bits;
    if (magnitude <= kExactInDouble) {
        SetDouble(value, static_cast<double>(number));
        return ValueDecode::kValue;
    }
    Store(value, Digits(number));
    return ValueDecode::kBeyondExactRange;
}

// A tag byte whose length field breaks its datatype's fixed size: a Null of
// some length, a Boolean other than 0 or 1, a Real, Date, Time or object
// identifier not of four octets, a Double not of eight.
bool FixedSizeBroken(const TagFields& tag, const std::uint8_t* content, std::size_t remaining) {
    switch (tag.tagNumber) {
    case kTagNull: return tag.lvt != 0;
    case kTagBoolean: return tag.lvt > 1;
    case kTagReal:
    case kTagDate:
    case kTagTime:
    case kTagObjectIdentifier: return tag.lvt != kFixedContent;
    case kTagDouble: return tag.lvt != kLvtExtendedLength || remaining < 1 || content[0] != kDoubleContent - 1;
    default: return false;
    }
}

ValueDecode Decode(const std::uint8_t* data, std::size_t available, bool strict, HostValue& value,
                   std::size_t& consumed) {
    if (data == nullptr || available < 1) return ValueDecode::kMalformed;
    const TagFields tag = SplitTagByte(data[0]);
    if (tag.tagNumber > kLastApplicationTag) return ValueDecode::kMalformed;
    const std::uint8_t* content = data + 1;
    const std::size_t remaining = available - 1;
    // A context tag is no primitive value, however its number reads; opening
    // and closing tags are never application tags.
    if (strict && ((data[0] & kContextClassBit) != 0 || tag.lvt == kLvtOpening || tag.lvt == kLvtClosing ||
                   FixedSizeBroken(tag, content, remaining)))
        return ValueDecode::kMalformed;
    const std::size_t length = tag.lvt;

    switch (tag.tagNumber) {
    case kTagNull:
        Store(value, u"NULL");
        consumed = 1;
        return ValueDecode::kValue;
    case kTagBoolean:
        SetInteger(value, DecodeBoolean(data[0]) ? 1 : 0);
        consumed = 1;
        return ValueDecode::kValue;
    case kTagUnsigned:
    case kTagSigned:
    case kTagEnumerated:
        return DecodeInteger(tag.tagNumber, content, remaining, tag.lvt, value, consumed);
    case kTagReal:
        // Four octets are read whatever the length field says.
        if (remaining < length || remaining < kFixedContent) return ValueDecode::kMalformed;
        SetDouble(value, DecodeReal(content));
        consumed = 1 + kFixedContent;
        return ValueDecode::kValue;
    case kTagDouble:
        if (remaining < kDoubleContent) return ValueDecode::kMalformed;
        SetDouble(value, DecodeDouble(content));
        consumed = 1 + kDoubleContent;
        return ValueDecode::kValue;
    case kTagOctetString:
    case kTagCharacterString:
    case kTagBitString:
        return DecodeString(tag.tagNumber, content, remaining, tag.lvt, strict, value, consumed);
    default:  // Date, Time, object identifier
        if (remaining < length || remaining < kFixedContent) return ValueDecode::kMalformed;
        Store(value, tag.tagNumber == kTagDate   ? DateText(content)
                     : tag.tagNumber == kTagTime ? TimeText(content)
                                                 : ObjectIdentifierText(content));
        consumed = 1 + kFixedContent;
        return ValueDecode::kValue;
    }
}

}  // namespace

ValueDecode DecodePrimitiveValue(const std::uint8_t* data, std::size_t available, HostValue& value,
                                 std::size_t& consumed) {
    return Decode(data, available, true, value, consumed);
}

bool DecodeApplicationValue(const std::uint8_t* data, std::size_t available, HostValue& value,
                            std::size_t& consumed) {
    std::size_t used = 0;
    if (Decode(data, available, false, value, used) == ValueDecode::kMalformed) return false;
    consumed = used;
    return true;
}

int EncodeApplicationValue(ByteVector& out, const HostValue& value, std::int32_t datatype) {
    switch (datatype) {
    case kTagNull:
        out.push_back(MakeApplicationTag(kTagNull, 0));
        return kStatusOk;
    case kTagBoolean: {
        bool flag = false;
        if (const int status = ValueToBoolean(value, flag)) return status;
        EncodeBoolean(out, flag);
        return kStatusOk;
    }
    case kTagUnsigned:
    case kTagSigned:
    case kTagEnumerated: {
        std::uint32_t number = 0;
        // A Signed saturates at its bounds rather than wrap.
        if (const int status = ValueToInteger(value, datatype != kTagSigned, number)) return status;
        if (datatype == kTagUnsigned)
            EncodeUnsigned(out, number);
        else if (datatype == kTagSigned)
            EncodeSigned(out, static_cast<std::int32_t>(number));
        else
            EncodeEnumerated(out, number);
        return kStatusOk;
    }
    case kTagReal:
    case kTagDouble: {
        double number = 0;
        if (const int status = ValueToDouble(value, number)) return status;
        if (datatype == kTagReal)
            EncodeReal(out, static_cast<float>(number));
        else
            EncodeDouble(out, number);
        return kStatusOk;
    }
    case kTagOctetString: return TextToOctetString(out, ValueToText(value));
    case kTagCharacterString: EncodeCharacterString(out, ValueToText(value)); return kStatusOk;
    case kTagBitString: return TextToBitString(out, ValueToText(value));
    case kTagDate: return TextToDate(out, ValueToText(value));
    case kTagTime: return TextToTime(out, ValueToText(value));
    case kTagObjectIdentifier: {
        const int status = TextToObjectIdentifier(out, ValueToText(value));
        if (status != kStatusOk) platform::TraceText(u"Invalid format: Object Identifier");
        return status;
    }
    default:
        return kStatusValueDoesNotFit;
    }
}

}  // namespace encoding
