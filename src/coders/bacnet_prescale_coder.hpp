// The prescale of a pulse converter or accumulator.
//
// Text: multiplier;moduloDivide, for example 1;1000.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetPrescaleCoder final : public IPropertyCoder {
public:
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Only a text stored by StoreText (kind 3) is taken.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
