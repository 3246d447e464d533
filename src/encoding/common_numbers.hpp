// The values that answers carry most: a Boolean, or an Unsigned, Signed or
// Enumerated of one to four octets, or a Real. Read straight from the tag
// byte, with the record's kind and number as DecodePrimitiveValue leaves
// them; every other shape is left to DecodePrimitiveValue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "encoding/host_value.hpp"
#include "encoding/tags.hpp"

namespace encoding {

// The octets used (tag byte included), or 0 when data holds no such value;
// then value is left alone. Only kind and number are written, as
// DecodePrimitiveValue writes them for the same bytes. Never reads past
// available.
inline std::size_t DecodeCommonNumber(const std::uint8_t* data, std::size_t available, HostValue& value) {
    if (available == 0) return 0;
    const std::uint8_t tagByte = data[0];
    // The class bit clear and a length field of 0 to 4.
    if ((tagByte & 0x0F) > 4) return 0;
    const std::uint8_t octets = tagByte & 0x07;
    switch (tagByte >> 4) {
    case kTagBoolean:
        if (octets > 1) return 0;
        SetInteger(value, DecodeBoolean(tagByte) ? 1 : 0);
        return 1;
    case kTagUnsigned:
    case kTagEnumerated: {
        if (octets == 0 || available <= octets) return 0;
        const std::uint32_t bits = DecodeUnsigned(data + 1, octets);
        if (bits <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
            SetInteger(value, static_cast<std::int32_t>(bits));
        else
            SetDouble(value, static_cast<double>(bits));
        return 1u + octets;
    }
    case kTagSigned:
        if (octets == 0 || available <= octets) return 0;
        SetInteger(value, DecodeSigned(data + 1, octets));
        return 1u + octets;
    case kTagReal:
        if (octets != 4 || available <= octets) return 0;
        SetDouble(value, DecodeReal(data + 1));
        return 5;
    default:
        return 0;
    }
}

}  // namespace encoding
