// The group object's present value: read access results joined by "|", each
// "type:instance" followed by "-" and its results joined by ",". A result is
// "property:bits" for a value (shown as a bit string, one "0" or "1" per
// bit) or "property:index'class'code" for an access error; for example
// 8:1-85:0110,28:3'2'31|0:5-85:1.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetReadAccessResultCoder : public IPropertyCoder {
public:
    // Stores whatever was read, also when the bytes end early. A value behind
    // an array index shows as "property:index:bits", an access error without
    // index as "property:'class'code" (an empty index field).
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
