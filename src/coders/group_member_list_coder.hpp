// The group object's members: read access specifications joined by "|", each
// "type:instance" followed by "-" and its properties joined by ",", a
// property with an array index as "property:index";
// for example 8:1-85,28:2|0:5-85.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetReadAccessSpecificationCoder : public IPropertyCoder {
public:
    // Stores whatever was read, also when the bytes end early.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
