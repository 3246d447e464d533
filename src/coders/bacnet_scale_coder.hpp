// The scale of a pulse converter or accumulator.
//
// Text: one number; a float scale with six decimals (2.500000), an integer
// scale without a point (200). A written text with a point, or a host real,
// goes out as a float scale, anything else as an integer scale.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetScaleCoder final : public IPropertyCoder {
public:
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
