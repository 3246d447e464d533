#include "encoding/application_values.hpp"

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

void Store(HostValue& value, const std::u16string& text) { ::StoreText(&value, text.c_str()); }

// Octet, character and bit strings. A length of 0, or one that runs past the
// input, gives the empty text and stops behind the length octets.
std::size_t DecodeString(std::uint8_t tagNumber, const std::uint8_t* content, std::size_t remaining,
                         std::uint8_t lvt, HostValue& value) {
    std::size_t lengthOctets = 0;
    const std::uint32_t n = DecodeLength(content, remaining, lvt, lengthOctets);
    if (n == 0 || remaining - lengthOctets < n) {
        Store(value, std::u16string());
        return 1 + lengthOctets;
    }
    const std::uint8_t* octets = content + lengthOctets;
    switch (tagNumber) {
    case kTagOctetString: Store(value, OctetStringText(octets, n)); break;
    case kTagCharacterString: Store(value, DecodeCharacterString(octets, n)); break;
    default: Store(value, BitStringText(octets, n)); break;
    }
    return 1 + lengthOctets + n;
}

}  // namespace

bool DecodeApplicationValue(const std::uint8_t* data, std::size_t available, HostValue& value,
                            std::size_t& consumed) {
    if (data == nullptr || available < 1) return false;
    const TagFields tag = SplitTagByte(data[0]);
    if (tag.tagNumber > kLastApplicationTag) return false;
    const std::uint8_t* content = data + 1;
    const std::size_t remaining = available - 1;
    const std::size_t length = tag.lvt;

    switch (tag.tagNumber) {
    case kTagNull:
        Store(value, u"NULL");
        consumed = 1;
        return true;
    case kTagBoolean:
        SetInteger(value, DecodeBoolean(data[0]) ? 1 : 0);
        consumed = 1;
        return true;
    case kTagUnsigned:
    case kTagSigned:
    case kTagEnumerated: {
        if (remaining < length) return false;
        const int n = static_cast<int>(length);
        SetInteger(value, tag.tagNumber == kTagSigned ? DecodeSigned(content, n)
                                                      : static_cast<std::int32_t>(DecodeUnsigned(content, n)));
        consumed = 1 + length;
        return true;
    }
    case kTagReal:
        // Four octets are read whatever the length field says.
        if (remaining < length || remaining < kFixedContent) return false;
        SetDouble(value, DecodeReal(content));
        consumed = 1 + kFixedContent;
        return true;
    case kTagDouble:
        if (remaining < kDoubleContent) return false;
        SetDouble(value, DecodeDouble(content));
        consumed = 1 + kDoubleContent;
        return true;
    case kTagOctetString:
    case kTagCharacterString:
    case kTagBitString:
        consumed = DecodeString(tag.tagNumber, content, remaining, tag.lvt, value);
        return true;
    default:  // Date, Time, object identifier
        if (remaining < length || remaining < kFixedContent) return false;
        Store(value, tag.tagNumber == kTagDate   ? DateText(content)
                     : tag.tagNumber == kTagTime ? TimeText(content)
                                                 : ObjectIdentifierText(content));
        consumed = 1 + kFixedContent;
        return true;
    }
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
        if (const int status = ValueToUnsigned(value, number)) return status;
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
